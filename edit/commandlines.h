#pragma once

#include <QByteArray>

// The command editor of the edit pane as the editor hooks and the pad tools
// use it: the current component's text, one entry per line (the line list of
// the text), and the line holding the caret.
//
// The window implements it over its editor. Replacing a line changes the
// editor's text, which the editor stores into the current row like typed
// text; the tools put the row into the edit state before they replace lines.
class CommandLines
{
public:
    virtual ~CommandLines() = default;

    virtual int lineCount() const = 0;
    // Line i without its line break; empty for an index past the last line.
    virtual QByteArray line(int i) const = 0;
    virtual void replaceLine(int i, const QByteArray &text) = 0;
    // The line of the end of the current selection.
    virtual int caretLine() const = 0;
};
