#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

// The facts the edit pane's information panel shows about a component, as
// the analysis pass leaves them, found without drawing anything: a list of
// many components gets the panel's figures at the cost of reading the pin
// and DEF lines only.
struct Informacoes
{
    // Token 8 of the last DEF line, as text ("0" without a DEF line).
    QByteArray partes = "0";
    // The X lines whose token 11 is "0" or "1".
    qint32 pinos = 0;
    // The last ALIAS line whole ("ALIAS" without one).
    QByteArray alias = "ALIAS";
};

// The panel's values for a command text: its lines as the editor splits
// them, each read by the tokenizer just as the drawing's dispatcher reads it.
// With `aliases`, the text's ALIAS names as aliasesDe gives them are found
// in the same pass.
Informacoes informacoesDe(const QByteArray &comandos, QList<QByteArray> *aliases = nullptr);
