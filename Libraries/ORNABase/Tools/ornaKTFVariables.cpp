#include "ornaKTFVariables.h"

#include "ornaKTFParser.h"
#include "ornaUtils.h"

#include <QStringList>

void ORNAKTFVariables::setFile(const QString &file)
{
    m_file = file;
    m_localDirectory = ORNAUtils::directoryOfPath(file);
}

bool ORNAKTFVariables::defined(const QString &name) const
{
    if (name == QLatin1String("LOCAL"))
        return true;
    QString value;
    return m_resolver && m_resolver(m_resolverData, name, value);
}

bool ORNAKTFVariables::isSet(const QString &name) const
{
    if (!m_resolver)
        return false;
    QString value;
    m_resolver(m_resolverData, name, value);
    return ORNAUtils::isTrueText(value);
}

namespace {

template <typename T>
bool compareBy(const T &a, const QString &op, const T &b)
{
    if (op == QLatin1String("=="))
        return a == b;
    if (op == QLatin1String("!="))
        return a != b;
    if (op == QLatin1String("<"))
        return a < b;
    if (op == QLatin1String("<="))
        return a <= b;
    if (op == QLatin1String(">"))
        return a > b;
    if (op == QLatin1String(">="))
        return a >= b;
    return false;
}

} // namespace

bool ORNAKTFVariables::evaluate(const QString &expression, const ORNATree *at) const
{
    const QString expanded = expand(expression, at);
    const QStringList parts = expanded.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 3)
        return ORNAUtils::isTrueText(expanded);
    const QString a = parts.at(0).trimmed();
    const QString op = parts.at(1).trimmed();
    const QString b = parts.at(2).trimmed();
    bool numberA = false;
    bool numberB = false;
    const double x = a.toDouble(&numberA);
    const double y = b.toDouble(&numberB);
    if (numberA && numberB)
        return compareBy(x, op, y);
    return compareBy(a, op, b);
}

QString ORNAKTFVariables::expand(const QString &text, const ORNATree *at) const
{
    if (!m_expanding)
        return text;
    const QLatin1String open("$(");
    qsizetype from = 0;
    qsizetype reference = text.indexOf(open);
    if (reference < 0)
        return text;
    QString result;
    while (reference >= 0) {
        result += QStringView(text).mid(from, reference - from);
        const qsizetype close = text.indexOf(QLatin1Char(')'), reference + 2);
        if (close < 0) {
            from = reference;
            break;
        }
        appendReference(result, text.mid(reference + 2, close - reference - 2), at);
        from = close + 1;
        reference = text.indexOf(open, from);
    }
    result += QStringView(text).mid(from);
    return result;
}

void ORNAKTFVariables::appendReference(QString &result, const QString &name,
                                       const ORNATree *at) const
{
    const QLatin1String open("$(");
    QString value;
    if (name == QLatin1String("LOCAL")) {
        if (m_file.isEmpty())
            ORNAKTFParser::semanticWarning(
                at, QStringLiteral("$(LOCAL) is only defined in KTF files on disk."));
        else
            result += m_localDirectory;
    } else if (name == QLatin1String("LOCAL_BASENAME")) {
        if (m_file.isEmpty())
            ORNAKTFParser::semanticWarning(
                at, QStringLiteral("$(LOCAL_BASENAME) is only defined in KTF files on disk."));
        result += ORNAUtils::removeExtension(m_file);
    } else if (name.size() >= 2 && name.startsWith(QLatin1Char('*')) &&
               name.endsWith(QLatin1Char('*'))) {
        result += open;
        result += QStringView(name).mid(1, name.size() - 2);
        result += QLatin1Char(')');
    } else if (m_resolver && m_resolver(m_resolverData, name, value)) {
        result += value;
    } else {
        result += open + name + QLatin1Char(')');
    }
}
