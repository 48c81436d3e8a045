#pragma once

#include "edit/commandlines.h"

class QPlainTextEdit;

// The command editor's lines as the pad tools see them: the line list of the
// text shown (a final line break opens no further line), each line's
// characters as bytes through Latin-1.
class EditorLines : public CommandLines
{
public:
    explicit EditorLines(QPlainTextEdit *editor) : m_editor(editor) {}

    int lineCount() const override;
    QByteArray line(int i) const override;
    void replaceLine(int i, const QByteArray &text) override;
    int caretLine() const override;
    // Character offset at which line i starts (the end of the text past the
    // last line).
    int lineStart(int i) const;

private:
    QPlainTextEdit *m_editor;
};
