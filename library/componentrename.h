#pragma once

// Renaming a component inside its command text. The legacy format names a
// component in three places: the DEF line (a leading "~" there hides the
// value field), the value field F1, and the .dcm, which keys the component
// by its name without that "~".

#include <QByteArray>
#include <QHash>

// The name a .dcm keys a component by: its name without one leading "~".
QByteArray dcmName(const QByteArray &nome);

// `novo` with the leading "~" of `antigo` when `novo` has none: a renamed
// component whose value was hidden keeps it hidden.
QByteArray keepHiddenMark(const QByteArray &antigo, const QByteArray &novo);

// The command text with the name of its first DEF line (the DEF line's second
// field) replaced by `nome`, quoted when it holds a blank; unchanged when the
// text has no DEF line.
QByteArray renomeiaDef(const QByteArray &comandos, const QByteArray &nome);

// The command text of the component renamed to `nome`: the DEF line takes
// `nome`, and the F1 line's value takes dcmName(nome) when it held the DEF
// line's old name without its "~" (a value the user set otherwise stays).
QByteArray renameComponent(const QByteArray &comandos, const QByteArray &nome);

// The command text with the names of its ALIAS lines renamed as `novos`
// maps them (old name -> new name); the lines keep their blanks.
QByteArray renameAliases(const QByteArray &comandos, const QHash<QByteArray, QByteArray> &novos);
