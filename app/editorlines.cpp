#include "editorlines.h"

#include "editorbinding.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

int EditorLines::lineCount() const
{
    const QTextDocument *doc = m_editor->document();
    const int blocks = doc->blockCount();
    // An empty last block is the mark of a final break (or of an empty text).
    return doc->lastBlock().text().isEmpty() ? blocks - 1 : blocks;
}

QByteArray EditorLines::line(int i) const
{
    if (i < 0 || i >= lineCount())
        return {};
    const QString text = m_editor->document()->findBlockByNumber(i).text();
    QByteArray out;
    out.reserve(text.size());
    for (QChar ch : text)
        out += char(ch.unicode() <= 0xFF ? ch.unicode() : '?');
    return out;
}

void EditorLines::replaceLine(int i, const QByteArray &text)
{
    const QTextBlock block = m_editor->document()->findBlockByNumber(i);
    if (!block.isValid())
        return;
    QTextCursor c(block);
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    c.insertText(EditorBinding::toEditorText(text));
}

int EditorLines::caretLine() const
{
    const QTextCursor c = m_editor->textCursor();
    return m_editor->document()->findBlock(c.selectionEnd()).blockNumber();
}

int EditorLines::lineStart(int i) const
{
    const QTextBlock block = m_editor->document()->findBlockByNumber(i);
    if (!block.isValid())
        return m_editor->document()->characterCount() - 1;
    return block.position();
}
