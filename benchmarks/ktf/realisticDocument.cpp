#include "realisticDocument.h"

namespace {

const char *const stems[] = {
    "background", "image",  "item",    "color",    "font",     "size",   "window",  "layout",
    "title",      "label",  "button",  "icon",     "menu",     "action", "path",    "file",
    "plugin",     "module", "feature", "option",   "theme",    "style",  "border",  "margin",
    "padding",    "width",  "height",  "shortcut", "toolbar",  "panel",  "dialog",  "view",
    "page",       "entry",  "filter",  "format",   "export",   "import", "render",  "cache",
    "server",     "proxy",  "user",    "locale",   "language", "update", "license", "product",
    "channel",    "device", "input",   "output",   "audio",    "video",  "text",    "grid",
    "snap",       "zoom",   "scale",   "mode",     "level",    "limit",  "target",  "source"};

const char *const plainWords[] = {
    "open",    "the",      "project", "settings", "dialog",   "when",     "starting", "main",
    "editor",  "shows",    "recent",  "files",    "on",       "first",    "page",     "default",
    "export",  "quality",  "for",     "large",    "images",   "Halvaron", "Studio",   "render",
    "preview", "in",       "a",       "separate", "window",   "keeps",    "user",     "layout",
    "between", "sessions", "Use",     "high",     "contrast", "colors",   "Save",     "every",
    "minutes", "Welcome",  "to",      "tools",    "and",      "plugins",  "dark",     "light"};

// Comments of real files are often not in English.
const char *const foreignWords[] = {"Größe",      "Übersicht", "café",   "naïve",    "señal",
                                    "fenêtre",    "Schließen", "Ändern", "réglages", "größer",
                                    "Farbwähler", "søk",       "ønsker", "año",      "más"};

template <size_t N>
QList<QByteArray> listOf(const char *const (&words)[N])
{
    QList<QByteArray> list;
    for (const char *word : words)
        list.append(word);
    return list;
}

} // namespace

RealisticDocument::RealisticDocument(int leaves)
    : m_target(leaves), m_words(listOf(plainWords)), m_foreignWords(listOf(foreignWords))
{
    const QList<QByteArray> parts = listOf(stems);
    while (m_names.size() < 3000) {
        QByteArray name = pick(parts);
        if (below(10) < 7) {
            QByteArray second = pick(parts);
            second[0] = char(second.at(0) - 'a' + 'A');
            if (name.size() + second.size() <= 16)
                name += second;
        }
        if (below(6) == 0)
            name[0] = char(name.at(0) - 'a' + 'A');
        m_names.append(name + '_' + QByteArray::number(below(12)));
    }
}

quint32 RealisticDocument::random()
{
    m_state ^= m_state << 13;
    m_state ^= m_state >> 7;
    m_state ^= m_state << 17;
    return quint32(m_state >> 11);
}

void RealisticDocument::generate()
{
    m_ktf.reserve(m_target * 52);
    m_json.reserve(m_target * 62);
    m_ktf += "// KTF v1 utf8\n";
    m_json += "{";
    for (bool first = true; m_leaves < m_target; first = false)
        writeGroup(1, first);
    m_json += "\n}\n";
}

// Both as the KTF writer lays documents out, so that they differ only in syntax.
void RealisticDocument::indent(QByteArray &out, int depth)
{
    out.append((depth - 1) * 2, ' ');
}

QByteArray RealisticDocument::words(int count)
{
    QByteArray text;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += ' ';
        text += pick(m_words);
    }
    return text;
}

// A value as KTF writes it; *quoted tells whether it stands in quotes there.
QByteArray RealisticDocument::value(bool *quoted)
{
    *quoted = false;
    const int kind = below(100);
    if (kind < 20) {
        *quoted = true;
        // Almost every quoted text has blanks; a few are quoted single words.
        return words(below(20) == 0 ? 1 : 2 + below(7));
    }
    if (kind < 40)
        return QByteArray::number(below(4) == 0 ? below(100000000) : below(2000));
    if (kind < 50) {
        return QByteArray::number(below(10)) + '.' + QByteArray::number(below(30)) + '.' +
               QByteArray::number(below(200));
    }
    if (kind < 62) {
        return "/opt/halvaron/studio/share/" + pick(m_words) + '/' + pick(m_names) +
               (below(2) ? ".png" : ".json");
    }
    if (kind < 70) {
        return "https://www.halvaron.com/docs/" + pick(m_words) + '/' + pick(m_words) + '-' +
               QByteArray::number(below(500)) + ".html";
    }
    if (kind < 85) {
        const char joint = below(2) ? '_' : '-';
        QByteArray text = pick(m_words).toLower();
        for (int i = 1 + below(2); i > 0; --i)
            text += joint + pick(m_words).toLower();
        return text;
    }
    if (kind < 95) {
        static const char *const flags[] = {"true", "false", "yes", "no"};
        return flags[below(4)];
    }
    static const char digits[] = "0123456789abcdef";
    QByteArray colour = "#";
    for (int i = 0; i < 6; ++i)
        colour += digits[below(16)];
    return colour;
}

void RealisticDocument::writeComment(int depth)
{
    ++m_comments;
    const int lines = 1 + below(3);
    indent(m_ktf, depth);
    m_ktf += "/* ";
    for (int line = 0; line < lines; ++line) {
        if (line > 0) {
            m_ktf += '\n';
            indent(m_ktf, depth);
            m_ktf += "   ";
        }
        m_ktf += words(3 + below(6));
        if (below(4) == 0)
            m_ktf += ' ' + pick(m_foreignWords);
    }
    m_ktf += " */\n";
}

void RealisticDocument::openJsonMember(int depth, bool first, const QByteArray &name)
{
    m_json += first ? "\n" : ",\n";
    indent(m_json, depth);
    m_json += '"';
    m_json += name;
    m_json += "\": ";
}

void RealisticDocument::writeLeaf(int depth, bool first)
{
    ++m_leaves;
    const QByteArray &name = pick(m_names);
    bool quoted = false;
    const QByteArray text = value(&quoted);
    indent(m_ktf, depth);
    m_ktf += name;
    m_ktf += " = ";
    m_ktf += quoted ? '"' + text + '"' : text;
    m_ktf += '\n';
    openJsonMember(depth, first, name);
    m_json += '"' + text + '"';
}

void RealisticDocument::writeGroup(int depth, bool first)
{
    ++m_groups;
    if (below(1000) < 49)
        writeComment(depth);
    const QByteArray &name = pick(m_names);
    indent(m_ktf, depth);
    m_ktf += name;
    openJsonMember(depth, first, name);
    m_json += '{';
    bool childFirst = true;
    if (below(100) < 29) {
        ++m_valuedGroups;
        bool quoted = false;
        const QByteArray text =
            below(5) == 0 ? (quoted = true, words(2 + below(4)))
                          : pick(m_words).toLower() + '-' + QByteArray::number(below(100));
        m_ktf += ' ';
        m_ktf += quoted ? '"' + text + '"' : text;
        openJsonMember(depth + 1, true, "@value");
        m_json += '"' + text + '"';
        childFirst = false;
    }
    m_ktf += " {\n";
    // Leaves and subgroups by level: most leaves stand three to five levels deep.
    static const int leavesFrom[] = {0, 0, 0, 3, 4, 4};
    static const int leavesSpan[] = {1, 2, 4, 11, 12, 12};
    static const int groupsFrom[] = {0, 3, 1, 0, 0, 0};
    static const int groupsSpan[] = {1, 5, 4, 3, 2, 1};
    int leaves = leavesFrom[depth] + below(leavesSpan[depth]);
    int groups = groupsFrom[depth] + below(groupsSpan[depth]);
    while (leaves + groups > 0) {
        if (below(leaves + groups) < leaves) {
            writeLeaf(depth + 1, childFirst);
            --leaves;
        } else {
            writeGroup(depth + 1, childFirst);
            --groups;
        }
        childFirst = false;
    }
    indent(m_ktf, depth);
    m_ktf += "}\n";
    m_json += '\n';
    indent(m_json, depth);
    m_json += '}';
}
