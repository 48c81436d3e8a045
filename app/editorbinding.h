#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

class ComponentTable;
class QPlainTextEdit;

// Binds a multi-line editor to the command text of its table's current row.
// The bytes are shown through Latin-1, one character per byte, so every byte
// survives; line breaks (CR LF, CR, LF) become the editor's lines. Typing puts
// the row into edit state; the typed text goes back into the row, joined with
// CR LF, when the table ends the pending edit.
class EditorBinding : public QObject
{
    Q_OBJECT

public:
    EditorBinding(ComponentTable &table, QPlainTextEdit *editor, QObject *parent = nullptr);

    // Shows the current row's text (called on every data change of the table).
    void reload();
    // The line list as the editor shows it, typed changes included.
    QList<QByteArray> lines() const;
    // The editor's text as the row would store it.
    QByteArray editorBytes() const;
    bool isDirty() const { return m_dirty; }
    // The editor holds typed text that differs from the row's.
    bool hasTypedChange() const { return m_dirty && editorBytes() != m_loaded; }

    static QString toEditorText(const QByteArray &bytes);

private:
    void store();
    void typed();

    ComponentTable &m_table;
    QPlainTextEdit *m_editor;
    QByteArray m_loaded;
    bool m_dirty = false;
    bool m_loading = false;
    bool m_busy = false; // storing or reacting to typing: no reload from our own change
};
