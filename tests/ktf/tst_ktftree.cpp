#include "ktfTestSupport.h"
#include "ornaBase.h"
#include "ornaTree.h"

#include <QtTest>

// A node held for the length of a scope.
struct Held
{
    explicit Held(const QString &name, const QString &value = QString())
        : node(new ORNATree(name, value))
    {
        node->ref();
    }
    ~Held() { node->unref(); }
    ORNATree *operator->() const { return node; }
    ORNATree *node;
};

class TestKTFTree : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ORNABase::initialize(); }

    void referenceCounting()
    {
        ORNATree *node = new ORNATree(QStringLiteral("A"), QStringLiteral("1"));
        QCOMPARE(node->refCount(), 0);
        node->ref();
        QCOMPARE(node->refCount(), 1);
        node->ref();
        node->unref();
        QCOMPARE(node->refCount(), 1);
        node->unref(); // deletes
    }

    void misuseMessages()
    {
        // A fresh node has count 0: one unref too many is reported and deletes nothing.
        ORNATree *node = new ORNATree(QStringLiteral("A"));
        const QByteArray unrefed = captureStderr([&] { node->unref(); });
        QCOMPARE(node->refCount(), -1);
        QVERIFY(unrefed.startsWith("ERROR: Libraries/ORNABase/Tools/ornaTree.cpp("));
        QVERIFY(unrefed.endsWith("):  ORNAError:  ORNATree deleted ORNATree unrefed! \n"));
        const QByteArray zombie = captureStderr([&] { node->ref(); });
        QVERIFY(zombie.startsWith("ERROR: Libraries/ORNABase/Tools/ornaTree.cpp("));
        QVERIFY(zombie.endsWith("):  ORNAError:  ORNATree zombie ORNATree refed! \n"));
        QCOMPARE(node->refCount(), 0);
        node->ref();
        const QByteArray released = captureStderr([&] { node->unref(); });
        QCOMPARE(released, QByteArray());
    }

    void sharedNodeSurvives()
    {
        ORNATree *a = new ORNATree(QStringLiteral("A"));
        ORNATree *b = new ORNATree(QStringLiteral("B"));
        a->ref();
        b->ref();
        ORNATree *shared = a->addChild(QStringLiteral("S"), QStringLiteral("v"));
        b->appendChild(shared);
        QCOMPARE(shared->refCount(), 2);
        a->unref();
        QCOMPARE(shared->refCount(), 1);
        QCOMPARE(b->child(0)->value(), QStringLiteral("v"));
        b->unref();
    }

    void toBool_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("expected");
        for (const char *yes : {"true", "TRUE", "Yes", "On", "1", "on"})
            QTest::newRow(yes) << QString::fromLatin1(yes) << true;
        for (const char *no : {"", "0", "no", "y", " true", "false", "2"})
            QTest::newRow(*no ? no : "empty") << QString::fromLatin1(no) << false;
    }
    void toBool()
    {
        QFETCH(QString, value);
        QFETCH(bool, expected);
        Held node(QStringLiteral("A"), value);
        QCOMPARE(node->toBool(), expected);
    }

    void numbers()
    {
        Held node(QStringLiteral("A"), QStringLiteral(" 42 "));
        bool ok = false;
        QCOMPARE(node->toInt(&ok), 42);
        QVERIFY(ok);
        node->setValue(QStringLiteral("x"));
        QCOMPARE(node->toInt(&ok), 0);
        QVERIFY(!ok);
        node->setValue(QStringLiteral("2.5"));
        QCOMPARE(node->toDouble(&ok), 2.5);
        QVERIFY(ok);
    }

    void searching()
    {
        ORNATree *root = new ORNATree(QStringLiteral("root"));
        root->ref();
        root->addChild(QStringLiteral("settings"), QStringLiteral("lower"));
        ORNATree *settings = root->addChild(QStringLiteral("Settings"), QStringLiteral("upper"));
        ORNATree *deep = settings->addChild(QStringLiteral("Inner"))
                             ->addChild(QStringLiteral("Deep"), QStringLiteral("x"));
        QCOMPARE(root->findChild(QStringLiteral("Settings")), settings);
        QVERIFY(!root->findChild(QStringLiteral("SETTINGS")));
        QCOMPARE(root->findChildMatching(QStringLiteral("SETTINGS"), QString(), ORNATree::ByName,
                                         Qt::CaseInsensitive)
                     ->value(),
                 QStringLiteral("lower"));
        QCOMPARE(root->findChildMatching(QString(), QStringLiteral("upper"), ORNATree::ByValue),
                 settings);
        QVERIFY(!root->findChildMatching(QStringLiteral("Settings"), QString(), 7));
        QCOMPARE(root->findDescendant(QStringLiteral("Deep"), QString()), deep);
        QCOMPARE(root->descendantCount(), 4);
        root->unref();
    }

    void insertChild()
    {
        ORNATree *root = new ORNATree(QStringLiteral("root"));
        root->ref();
        ORNATree *a = root->addChild(QStringLiteral("A"));
        root->addChild(QStringLiteral("B"));
        root->insertChild(new ORNATree(QStringLiteral("C")), a);
        Held stranger(QStringLiteral("X"));
        root->insertChild(new ORNATree(QStringLiteral("D")), stranger.node);
        QCOMPARE(describe(root), QStringLiteral("C= A= B= D="));
        root->unref();
    }

    // Children past the first eight, inserted in front and after a reset, keep their order.
    void manyChildren()
    {
        ORNATree *root = new ORNATree(QStringLiteral("root"));
        root->ref();
        ORNATree *first = root->addChild(QStringLiteral("N0"));
        QString expected = QStringLiteral("N0=");
        for (int i = 1; i < 20; ++i) {
            root->addChild(QStringLiteral("N%1").arg(i));
            expected += QStringLiteral(" N%1=").arg(i);
        }
        root->insertChild(new ORNATree(QStringLiteral("Front")), first);
        QCOMPARE(describe(root), QStringLiteral("Front= ") + expected);
        QCOMPARE(root->childCount(), 21);
        root->removeAllChildren();
        QCOMPARE(root->childCount(), 0);
        root->addChild(QStringLiteral("Again"));
        QCOMPARE(describe(root), QStringLiteral("Again="));
        root->unref();
    }

    void interning()
    {
        QCOMPARE(ORNATree::internName(QString()), ORNATree::internName(QStringLiteral("")));
        QCOMPARE(ORNATree::internName(QStringLiteral("Tag")),
                 ORNATree::internName(QString::fromLatin1("Tag")));
        Held a(QStringLiteral("Same"));
        Held b(QStringLiteral("Same"));
        QCOMPARE(&a->name(), &b->name());
    }

    void cloneAndMerge()
    {
        ORNATree *target = new ORNATree(QStringLiteral("root"));
        target->ref();
        target->addChild(QStringLiteral("Group"), QStringLiteral("v"))
            ->addChild(QStringLiteral("A"), QStringLiteral("1"));
        ORNATree *source = new ORNATree(QStringLiteral("root"));
        source->ref();
        ORNATree *group = source->addChild(QStringLiteral("GROUP"), QStringLiteral("v"));
        ORNATree *b = group->addChild(QStringLiteral("B"), QStringLiteral("2"));
        ORNATree *other = source->addChild(QStringLiteral("Other"), QStringLiteral("3"));
        target->merge(source);
        QCOMPARE(describe(target), QStringLiteral("Group=v{A=1 B=2} Other=3"));
        // Merged nodes are shared, not copied.
        QCOMPARE(target->child(0)->child(1), b);
        QCOMPARE(other->refCount(), 2);
        target->merge(target);
        QCOMPARE(describe(target), QStringLiteral("Group=v{A=1 B=2} Other=3"));

        ORNATree *copy = target->clone();
        copy->ref();
        QCOMPARE(describe(copy), describe(target));
        QVERIFY(copy->child(1) != other);
        copy->unref();
        source->unref();
        target->unref();
    }

    // A chain a million nodes deep is released, copied, merged and searched without recursion.
    void deepTrees()
    {
        const int depth = 1000000;
        ORNATree *root = new ORNATree(QStringLiteral("root"));
        root->ref();
        ORNATree *node = root;
        for (int i = 0; i < depth; ++i)
            node = node->addChild(QStringLiteral("N"), QString::number(i % 3));
        node->addChild(QStringLiteral("Leaf"), QStringLiteral("x"));
        QCOMPARE(root->descendantCount(), depth + 1);
        QCOMPARE(root->findDescendant(QStringLiteral("Leaf"), QString())->value(),
                 QStringLiteral("x"));
        ORNATree *copy = root->clone();
        copy->ref();
        QCOMPARE(copy->descendantCount(), depth + 1);
        copy->merge(root);
        QCOMPARE(copy->descendantCount(), depth + 1);
        copy->unref();
        root->unref();
    }
};

QTEST_GUILESS_MAIN(TestKTFTree)
#include "tst_ktftree.moc"
