#ifndef ORNAKTFVARIABLES_H
#define ORNAKTFVARIABLES_H

#include <QString>

class ORNATree;

// Looks up a variable for $(...) and the #ifdef family: true with value set when it is defined.
typedef bool (*ORNAKTFVariableResolver)(void *userData, const QString &name, QString &value);

// The variables of one KTF file: $(...) expansion, the defined and set tests and the #if
// conditions. References stay as written when the reader keeps them.
class ORNAKTFVariables
{
public:
    explicit ORNAKTFVariables(bool expanding = true) : m_expanding(expanding) {}

    bool isExpanding() const { return m_expanding; }
    void setResolver(void *userData, ORNAKTFVariableResolver resolver)
    {
        m_resolverData = userData;
        m_resolver = resolver;
    }
    // The file that $(LOCAL) and $(LOCAL_BASENAME) name, cleaned and absolute; empty for texts.
    void setFile(const QString &file);
    const QString &file() const { return m_file; }

    // Warnings about $(LOCAL...) outside a file are positioned at the node at.
    QString expand(const QString &text, const ORNATree *at) const;
    bool defined(const QString &name) const;
    bool isSet(const QString &name) const;
    bool evaluate(const QString &expression, const ORNATree *at) const;

private:
    // Appends what the reference to name stands for.
    void appendReference(QString &result, const QString &name, const ORNATree *at) const;

    bool m_expanding = true;
    QString m_file;
    QString m_localDirectory;
    void *m_resolverData = nullptr;
    ORNAKTFVariableResolver m_resolver = nullptr;
};

#endif // ORNAKTFVARIABLES_H
