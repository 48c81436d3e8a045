#pragma once

// A library's symbols checked against KiCad's published library conventions
// (KLC, rules S3 to S7 and G1), in either file format, and the fixes whose
// outcome the rule text leaves no doubt about.
//
// Where a rule leaves room for judgement, the reading chosen is written at
// the rule's check in checks.cpp.

#include "symbol/symbol.h"

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

class Descricoes;

namespace Klc {

enum Rule : int {
    S3_1,
    S3_2,
    S3_3,
    S3_5,
    S3_6,
    S3_8,
    S3_9,
    S4_1,
    S4_3,
    S4_6,
    S5_1,
    S5_2,
    S6_2,
    S6_3,
    S7_1,
    S7_2,
    G1_1,
    G1_7,
    RuleCount
};

// "S4.1" for S4_1.
const char *ruleName(Rule rule);

// Which rules run: all of them unless narrowed by a list of names.
class RuleFilter
{
public:
    RuleFilter() = default;
    // "S4.1,S6.2" (commas or blanks between names). A name that is no rule
    // leaves `ok` false and names it in `error`.
    static RuleFilter parse(const QString &list, bool *ok = nullptr, QString *error = nullptr);

    bool wants(Rule rule) const { return m_mask & (1u << rule); }
    void set(Rule rule, bool on);

private:
    quint32 m_mask = (1u << RuleCount) - 1;
};

struct Finding
{
    Rule rule = S4_1;
    QByteArray symbol;
    int unit = 0;    // 0: the symbol as a whole (or the items common to every unit)
    QString message; // in Portuguese
    QPoint at;       // in internal units, Y up: what to mark on the preview
    bool located = false;
    qsizetype row = -1; // checkRows: the index of the row the symbol came from
};

// The findings of one symbol whose parent, when it has one, is already
// resolved into it (resolveParent()): the drawing rules read the parent's
// drawing, the field rules its own fields.
void checkSymbol(const Symbol &symbol, const RuleFilter &rules, QList<Finding> &out);
// The same for many symbols, on every core; the findings in their order.
QList<Finding> checkSymbols(const QList<Symbol> &symbols, const RuleFilter &rules);

// The text rules (G1.7) of a .kicad_sym row's text, reported against
// `symbol`. A legacy row holds its lines as the library table keeps them
// (each ended by CR), so its file's line ends are checked on the file.
void checkRowText(const QByteArray &text, const QByteArray &symbol, const RuleFilter &rules,
                  QList<Finding> &out);

// The symbols of a row's text, whichever format it is in (first non-blank
// byte '(': a .kicad_sym symbol; else a legacy DEF..ENDDEF component with its
// ALIAS symbols). Legacy aliases come with their component's drawing; a
// .kicad_sym symbol that extends another is left for the caller to resolve.
// Empty with `error` set when the text does not read.
QList<Symbol> rowSymbols(const QByteArray &text, const Descricoes *descricoes,
                         QString *error = nullptr);
bool isKicadSymText(const QByteArray &text);
// G1.7 on a whole file's bytes (a legacy library): one finding, no symbol.
void checkFileText(const QByteArray &bytes, const RuleFilter &rules, QList<Finding> &out);

// Every finding of a library's rows, each row with its .dcm (may be null);
// derived .kicad_sym symbols are resolved against the rows. A row that does
// not read is named in `errors` ("NOME: why") instead of being checked.
struct RowRef
{
    QByteArray name;
    QByteArray text;
    const Descricoes *descricoes = nullptr;
};
QList<Finding> checkRows(const QList<RowRef> &rows, const RuleFilter &rules,
                         QStringList *errors = nullptr);

// --- fixes -----------------------------------------------------------------

struct Change
{
    Rule rule;
    QByteArray symbol;
    QString what; // in Portuguese
};

// Applies to the model the fixes of the rules wanted: pins off the 100 mil
// grid by one same offset (S4.1: the whole symbol moves), Value equal to the
// name, Footprint and Datasheet hidden (S6.2), the body of an IC filled
// with the background colour (S3.3). Returns what changed.
QList<Change> fixSymbol(Symbol &symbol, const RuleFilter &rules);

// A row's text fixed in its own format: a .kicad_sym row is written again in
// `version`'s layout (unchanged when nothing changed); a legacy component has
// only the lines the fixes touch edited. Derived symbols are not touched:
// their drawing is their parent's, and their Value is their name already.
struct RowFix
{
    QByteArray text;
    QList<Change> changes;
    QString error; // the row did not read
};
RowFix fixRow(const QByteArray &text, const RuleFilter &rules, int version);

} // namespace Klc
