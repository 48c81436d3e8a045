#include "editorbinding.h"

#include "library/componenttable.h"
#include "library/kicadsymdocument.h"
#include "library/linelist.h"

#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QTextDocument>

#include <algorithm>

EditorBinding::EditorBinding(ComponentTable &table, QPlainTextEdit *editor, QObject *parent)
    : QObject(parent), m_table(table), m_editor(editor)
{
    connect(&table, &ComponentTable::dataChange, this, &EditorBinding::reload);
    connect(&table, &ComponentTable::aboutToEndPending, this, &EditorBinding::store);
    connect(editor, &QPlainTextEdit::textChanged, this, &EditorBinding::typed);
}

QString EditorBinding::toEditorText(const QByteArray &bytes)
{
    // A .kicad_sym symbol is UTF-8 text.
    if (isKicadSymText(bytes))
        return QString::fromUtf8(bytes).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    // The editor breaks a line at CR and at LF alike, so CR LF must become
    // one break before it sees the text.
    QString text;
    text.reserve(bytes.size());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c == '\r') {
            text += QChar(u'\n');
            if (i + 1 < n && bytes[i + 1] == '\n')
                ++i;
        } else {
            text += QChar(uchar(c));
        }
    }
    return text;
}

void EditorBinding::reload()
{
    if (m_busy)
        return;
    const QByteArray bytes = m_table.field(ComponentTable::Field::Comandos);
    QScopedValueRollback loading(m_loading, true);
    m_loaded = bytes;
    m_dirty = false;
    m_editor->setPlainText(toEditorText(bytes));
}

QByteArray EditorBinding::editorBytes() const
{
    // toRawText keeps every character as typed (toPlainText would turn a
    // no-break space into a blank); paragraphs are separated by U+2029.
    const QString raw = m_editor->document()->toRawText();
    // A .kicad_sym symbol (its first character a parenthesis) goes back as
    // UTF-8 with the line ends KiCad writes.
    const qsizetype first =
        std::find_if(raw.begin(), raw.end(),
                     [](QChar c) { return !c.isSpace() && c != QChar::ParagraphSeparator; }) -
        raw.begin();
    if (first < raw.size() && raw[first] == u'(') {
        QString text = raw;
        text.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
        return text.toUtf8();
    }
    QByteArray out;
    out.reserve(raw.size() + raw.size() / 16);
    for (QChar ch : raw) {
        const char16_t u = ch.unicode();
        if (u == QChar::ParagraphSeparator || u == QChar::LineSeparator || u == u'\n')
            out += "\r\n";
        else
            out += char(u <= 0xFF ? u : '?');
    }
    return out;
}

QList<QByteArray> EditorBinding::lines() const
{
    return linhas(m_dirty ? editorBytes() : m_loaded);
}

void EditorBinding::store()
{
    if (!m_dirty)
        return;
    QScopedValueRollback busy(m_busy, true);
    m_table.setField(ComponentTable::Field::Comandos, editorBytes());
    m_loaded = m_table.field(ComponentTable::Field::Comandos);
    m_dirty = false;
}

void EditorBinding::typed()
{
    if (m_loading)
        return;
    m_dirty = true;
    QScopedValueRollback busy(m_busy, true);
    m_table.edit();
    // edit() may have started a new row (empty table); the text typed stays.
    m_dirty = true;
}
