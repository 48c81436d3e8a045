#pragma once

#include "edit/commandlines.h"
#include "library/componenttable.h"
#include "library/linelist.h"
#include "tests/support/scripteddialogs.h"

// The command editor as the window binds it: it shows the current row's text
// and stores every change into the row, joined with CR LF. A change made
// while the row is browsing is lost, as the table ignores it.
class TableLines : public CommandLines
{
public:
    explicit TableLines(ComponentTable &table) : m_table(table) {}

    int caret = 0;

    QList<QByteArray> lines() const
    {
        return linhas(m_table.field(ComponentTable::Field::Comandos));
    }
    int lineCount() const override { return int(lines().size()); }
    QByteArray line(int i) const override { return lines().value(i); }
    void replaceLine(int i, const QByteArray &text) override
    {
        QList<QByteArray> l = lines();
        l[i] = text;
        m_table.setField(ComponentTable::Field::Comandos, juntaCrLf(l));
    }
    int caretLine() const override { return caret; }

private:
    ComponentTable &m_table;
};

// Appends and posts one row per (name, command text), unsorted; the first
// row ends current.
inline void preenche(ComponentTable &table,
                     std::initializer_list<std::pair<QByteArray, QByteArray>> rows)
{
    for (const auto &[nome, comandos] : rows) {
        table.append();
        table.setField(ComponentTable::Field::Nome, nome);
        table.setField(ComponentTable::Field::Comandos, comandos);
        table.post();
    }
    table.first();
}

inline void setAnswers(ScriptedDialogs &dialogs, std::initializer_list<Dialogs::Button> answers)
{
    dialogs.answers.clear();
    for (Dialogs::Button b : answers)
        dialogs.answers.enqueue(b);
}
