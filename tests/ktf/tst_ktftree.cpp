#include "ktfTestSupport.h"
#include "ornaBase.h"
#include "ornaTree.h"

#include <QtTest>

class TestKTFTree : public QObject
{
    Q_OBJECT

private:
    ORNATree *m_root = nullptr;

private slots:
    void initTestCase() { ORNABase::initialize(); }
    void init()
    {
        m_root = new ORNATree(QStringLiteral("root"));
        m_root->ref();
    }
    void cleanup() { m_root->unref(); }

    void searching()
    {
        m_root->addChild(QStringLiteral("settings"), QStringLiteral("lower"));
        ORNATree *settings = m_root->addChild(QStringLiteral("Settings"), QStringLiteral("upper"));
        ORNATree *deep = settings->addChild(QStringLiteral("Inner"))
                             ->addChild(QStringLiteral("Deep"), QStringLiteral("x"));
        QCOMPARE(m_root->findChild(QStringLiteral("Settings")), settings);
        QVERIFY(!m_root->findChild(QStringLiteral("SETTINGS")));
        QCOMPARE(m_root
                     ->findChildMatching(QStringLiteral("SETTINGS"), QString(), ORNATree::ByName,
                                         Qt::CaseInsensitive)
                     ->value(),
                 QStringLiteral("lower"));
        QCOMPARE(m_root->findChildMatching(QString(), QStringLiteral("upper"), ORNATree::ByValue),
                 settings);
        QCOMPARE(m_root->findDescendant(QStringLiteral("Deep"), QString()), deep);
        QCOMPARE(m_root->descendantCount(), 4);
    }

    // Children past the first eight, inserted in front, before a stranger and after a reset,
    // keep their order.
    void manyChildren()
    {
        ORNATree *first = m_root->addChild(QStringLiteral("N0"));
        QString expected = QStringLiteral("Front= N0=");
        for (int i = 1; i < 20; ++i) {
            m_root->addChild(QStringLiteral("N%1").arg(i));
            expected += QStringLiteral(" N%1=").arg(i);
        }
        m_root->insertChild(new ORNATree(QStringLiteral("Front")), first);
        ORNATree *stranger = new ORNATree(QStringLiteral("X"));
        stranger->ref();
        m_root->insertChild(new ORNATree(QStringLiteral("Last")), stranger);
        stranger->unref();
        QCOMPARE(describe(m_root), expected + QStringLiteral(" Last="));
        m_root->removeAllChildren();
        m_root->addChild(QStringLiteral("Again"));
        QCOMPARE(describe(m_root), QStringLiteral("Again="));
    }

    void cloneAndMerge()
    {
        m_root->addChild(QStringLiteral("Group"), QStringLiteral("v"))
            ->addChild(QStringLiteral("A"), QStringLiteral("1"));
        ORNATree *source = new ORNATree(QStringLiteral("root"));
        source->ref();
        ORNATree *group = source->addChild(QStringLiteral("GROUP"), QStringLiteral("v"));
        ORNATree *b = group->addChild(QStringLiteral("B"), QStringLiteral("2"));
        source->addChild(QStringLiteral("Other"), QStringLiteral("3"));
        m_root->merge(source);
        m_root->merge(m_root);
        source->unref();
        QCOMPARE(describe(m_root), QStringLiteral("Group=v{A=1 B=2} Other=3"));
        QCOMPARE(m_root->child(0)->child(1), b); // shared, not copied
        ORNATree *copy = m_root->clone();
        copy->ref();
        QCOMPARE(describe(copy), describe(m_root));
        QVERIFY(copy->child(0)->child(1) != b);
        copy->unref();
    }

    // A chain a million nodes deep is released, copied, merged and searched without recursion.
    void deepTrees()
    {
        const int depth = 1000000;
        ORNATree *node = m_root;
        for (int i = 0; i < depth; ++i)
            node = node->addChild(QStringLiteral("N"), QString::number(i % 3));
        node->addChild(QStringLiteral("Leaf"), QStringLiteral("x"));
        QCOMPARE(m_root->findDescendant(QStringLiteral("Leaf"), QString())->value(),
                 QStringLiteral("x"));
        ORNATree *copy = m_root->clone();
        copy->ref();
        copy->merge(m_root);
        QCOMPARE(copy->descendantCount(), depth + 1);
        copy->unref();
    }
};

QTEST_GUILESS_MAIN(TestKTFTree)
#include "tst_ktftree.moc"
