#pragma once

// Component descriptions: the NAME.dcm file KiCad keeps beside NAME.lib, with
// one $CMP ... $ENDCMP block per component or alias:
//
//   EESchema-DOCLIB  Version 2.0
//   #
//   $CMP 74LS00
//   D quad 2-input NAND gate
//   K TTL nand 2-input
//   F http://www.ti.com/lit/gpn/sn74ls00
//   $ENDCMP
//   #
//   #End Doc Library
//
// Everything is kept as bytes, never converted: names, values and every line
// of the file, so that a file read and written again keeps all it held.

#include "library/libraryfile.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QVarLengthArray>

#include <variant>

class ComponentTable;
class QIODevice;

// One $CMP block: its text as the file held it, from the $CMP line through
// the $ENDCMP line when the file had one (each line with its own line end,
// the last one's included), and the values read from it. A line is a D, K or
// F line when it is that letter alone or the letter and a blank; its value is
// what follows the blank (a later line of the same letter wins, as in KiCad).
// Any other line inside the block stays in the text and travels with the
// entry.
//
// An entry read from a file points into that file's bytes, shared by every
// entry of the file: reading a .dcm makes no copy per entry or per line, and
// the bytes live as long as one of its entries does. The views an entry gives
// are valid while the entry lives.
class Descricao
{
public:
    Descricao() = default;
    // A new closed entry with a D, K and F line for each value not empty.
    static Descricao nova(const QByteArray &nome, const QByteArray &descricao,
                          const QByteArray &palavras, const QByteArray &datasheet);
    // The entry whose block is [inicio, fim) of `dados`; its first line is
    // taken as the $CMP line.
    static Descricao deBloco(const QByteArray &dados, qsizetype inicio, qsizetype fim);

    // After "$CMP", blanks trimmed; empty for a $CMP line without a name.
    QByteArrayView nome() const { return vista(m_nome); }
    QByteArrayView descricao() const { return vista(m_descricao); }
    QByteArrayView palavras() const { return vista(m_palavras); }
    QByteArrayView datasheet() const { return vista(m_datasheet); }
    // The block's lines, without their line ends.
    QList<QByteArray> linhas() const;
    // The block's bytes as read (line ends as the file had them).
    QByteArrayView texto() const { return vista({m_inicio, m_fim - m_inicio}); }
    // Whether the block ends with its $ENDCMP line (a file may lack it).
    bool fechada() const { return m_fechada; }

    // The same entry under another name: only its $CMP line changes.
    Descricao renomeada(const QByteArray &novoNome) const;

    bool operator==(const Descricao &o) const;

private:
    struct Faixa
    {
        qsizetype pos = 0;
        qsizetype len = 0;
    };
    QByteArrayView vista(Faixa f) const { return {m_dados.constData() + f.pos, f.len}; }

    QByteArray m_dados;
    qsizetype m_inicio = 0;
    qsizetype m_fim = 0;
    Faixa m_nome;
    Faixa m_descricao;
    Faixa m_palavras;
    Faixa m_datasheet;
    bool m_fechada = false;
};

// A component as the writer and the matching see it.
struct ComponenteDcm
{
    QByteArray nome;
    QByteArray comandos;
};

// The rows of a table in table order.
QList<ComponenteDcm> componentesDe(const ComponentTable &table);

// The names on the ALIAS lines of a command text, in order, each once. An
// ALIAS line is one whose first word is "ALIAS" in any letter case; its
// names are the further words, split at blanks and tabs.
QList<QByteArray> aliasesDe(const QByteArray &comandos);
// The names of one line when it is an ALIAS line (as aliasesDe reads each
// line), appended to `nomes` unless `vistos` holds them already.
void aliasesDaLinha(QByteArrayView linha, QList<QByteArray> &nomes, QSet<QByteArray> &vistos);

// A loaded .dcm (or the descriptions of an edit library): its entries and the
// lines that stood outside every entry, in file order. A value: copies share
// their data until one of them changes, so undo can keep whole sets.
//
// Of the file's lines only three kinds are not kept, because the writer puts
// them back itself: the first line when it begins with "EESchema-DOCLIB"
// (the header), a line "#" outside a block that stands right before a $CMP
// line or the closing line (the separator KiCad writes), and the first line
// "#End Doc Library" outside a block. Every other line outside a block is
// kept as it is: comments, empty lines, stray $ENDCMP lines, anything else.
class Descricoes
{
public:
    // An entry, or one line outside every entry.
    using Parte = std::variant<Descricao, QByteArray>;

    // The parts in order.
    QList<Parte> partes() const;
    // The entries in order, without the lines outside them.
    QList<Descricao> entradas() const;
    qsizetype quantasEntradas() const { return m_entradas; }
    bool semEntradas() const { return m_entradas == 0; }

    // The entry of exactly this name (the last one when a name repeats);
    // nullptr when there is none or the name is empty. Valid until the set
    // changes.
    const Descricao *procura(QByteArrayView nome) const;
    // Every entry of exactly this name, in set order.
    QList<Descricao> todas(QByteArrayView nome) const;

    // Room for this many parts, of which this many entries, before the
    // reader appends them.
    void reserva(qsizetype partes, qsizetype entradas);
    // Appends in file order, as the reader does.
    void acrescenta(const Descricao &entrada);
    void acrescentaLinha(const QByteArray &linha);

    // Puts each entry in, replacing every entry of its name: the first one of
    // that name takes its place, the others go; an entry whose name is new is
    // appended.
    void poe(const QList<Descricao> &entradas);
    // Removes every entry of these names.
    void remove(const QList<QByteArray> &nomes);
    // Puts the entries in before those that already have their names: a
    // name's entries then run the newcomers first, and the entries that were
    // there stay the ones `procura` finds. Nothing is replaced.
    void poeAntes(const QList<Descricao> &entradas);
    // Every entry named `antigo` takes the name `novo`, put in as poeAntes
    // puts entries. Nothing happens when the names are equal.
    void renomeia(const QByteArray &antigo, const QByteArray &novo);

private:
    // A part, or the gap a removed part leaves.
    using Lugar = std::variant<std::monostate, Descricao, QByteArray>;
    // Positions in m_partes of the entries of one name, in order; most names
    // have one entry, which needs no allocation of its own.
    using Posicoes = QVarLengthArray<qsizetype, 1>;
    void reindexa();
    void indexa(qsizetype posicao);
    // Leaves gaps at these positions (their names already out of the index).
    // Nothing moves, so the index stays right; the gaps are closed once they
    // are as many as the parts, which keeps a long run of removals from
    // costing the whole set each time.
    template <typename Lista> void apaga(const Lista &posicoes);

    QList<Lugar> m_partes;
    qsizetype m_lacunas = 0;
    // Name -> positions of its entries. A key views the name inside one of
    // those entries, so whatever replaces or removes an entry keys its name
    // again (or reindexes).
    QHash<QByteArrayView, Posicoes> m_indice;
    qsizetype m_entradas = 0;
};

// The names a .dcm keys a component's entries by: its own name without a
// leading "~" (dcmName), then its aliases, each once, none empty.
QList<QByteArray> nomesDoComponente(const QByteArray &nome, const QByteArray &comandos);
// The entries that belong to a component: its own and those of its aliases
// (ALIAS order), one per name as `procura` finds it.
QList<Descricao> entradasDoComponente(const Descricoes &d, const QByteArray &nome,
                                      const QByteArray &comandos);
// Carrying along: the component's entries taken from `de` put into `para`
// as poeAntes puts them (entries of the same names there stay); and dropping
// them (its own name and its aliases').
void copiaEntradas(const Descricoes &de, Descricoes &para, const QByteArray &nome,
                   const QByteArray &comandos);
void removeEntradas(Descricoes &d, const QByteArray &nome, const QByteArray &comandos);

struct LeituraDcm
{
    FileResult resultado;
    // On a failure, what was read before it.
    Descricoes descricoes;
    // Whether the file began with the EESchema-DOCLIB header.
    bool cabecalho = false;
};

// Lines end at CR LF, LF or CR; a line may be of any length. A $CMP line
// ("$CMP" alone or followed by a blank) opens an entry; a line beginning with
// "$ENDCMP" closes it; a $CMP line or the end of the data also closes an open
// entry, which then has no $ENDCMP line.
LeituraDcm leDescricoes(const QByteArray &dados);
LeituraDcm leDescricoes(QIODevice &in);
// A missing file gives an empty set and no failure.
LeituraDcm carregaDescricoes(const QString &path);
// NAME.dcm beside NAME.lib (the extension replaced; added when there is none).
QString caminhoDcm(const QString &caminhoBiblioteca);

inline constexpr char CabecalhoDcm[] = "EESchema-DOCLIB  Version 2.0";
inline constexpr char FimDcm[] = "#End Doc Library";

// Writes, each line ended by CR LF:
//   the header line CabecalhoDcm;
//   for each component in order, its names (nomesDoComponente; names
//   already written skipped), every entry of that name in set order, each as
//   a line "#" and the entry's lines, with a $ENDCMP line added to an entry
//   that has none;
//   then everything else of the set in its order: entries of no component
//   (each after a "#" line, as above) and the lines kept outside entries;
//   a line "#" and the line FimDcm.
FileResult gravaDescricoes(QIODevice &out, const QList<ComponenteDcm> &componentes,
                           const Descricoes &d);
// The same into a file, atomically. A set without entries writes nothing and
// leaves a file already there alone.
FileResult salvaDescricoes(const QString &path, const QList<ComponenteDcm> &componentes,
                           const Descricoes &d);
