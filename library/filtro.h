#pragma once

// The search filter of the component grids.
//
// A pattern is matched without regard to case (Unicode case folding). A
// pattern without wildcards matches anywhere: "ls00" finds 74LS00. A pattern
// with a wildcard is a glob on the whole text: '*' stands for any run of
// characters, empty included, and '?' for exactly one (one UTF-16 unit, so
// a character beyond the BMP takes two); "74*00" finds 74LS00
// and 74HC00 but not 74LS000. Every other character, regular-expression ones
// included, stands for itself. The empty pattern matches everything; a
// pattern holding U+0000 matches nothing, and a U+0000 in a text reads as
// U+FFFD (the index ends its fields with U+0000).
//
// Names and alias names are bytes shown as Latin-1, as the grids show them;
// descriptions and keywords come from .dcm files, which KiCad writes in
// UTF-8.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <vector>

class ComponentTable;
class Descricao;
class Descricoes;
struct PadraoFiltro;

// One text against one pattern, by the rules above (for name lists).
bool casa(const QString &padrao, const QString &texto);

// The texts of every row of a table, case-folded once when the table loads,
// so that each keystroke of the filter only scans them. A row matches when
// its name, one of its alias names, one of its descriptions or one of its
// keyword lines matches; each of those is a text of its own, so a glob
// pattern has to match one of them whole.
//
// The index is built row after row and not changed afterwards: when the
// table's rows change, build it again.
class FiltroIndice
{
public:
    // Every row of `table`, in table order, with the entries of `d` that
    // belong to each (its own and its aliases').
    static FiltroIndice daTabela(const ComponentTable &table, const Descricoes &d);

    // Appends the next row. Alias names come from the ALIAS lines of
    // `comandos`.
    void acrescenta(const QByteArray &nome, const QByteArray &comandos, const QByteArray &descricao,
                    const QByteArray &palavras);
    // The same with the descriptions and keywords of several entries.
    void acrescenta(const QByteArray &nome, const QByteArray &comandos,
                    const QList<Descricao> &entradas);

    int linhas() const { return int(m_inicioLinha.size()) - 1; }

    // The rows that match, in ascending order.
    QList<int> linhasQueCasam(const QString &padrao) const;

private:
    void fechaLinha();
    void poeCampo(const QString &texto);
    // Calls linha(r) once for each row r that holds `trecho`, in order.
    template <typename F> void linhasComTrecho(QStringView trecho, F &&linha) const;
    // Whether a field of row r matches the prepared pattern.
    bool linhaCasa(const PadraoFiltro &padrao, int r) const;

    // Every field folded, each followed by a U+0000 that no field holds.
    QString m_texto;
    // Start of each field in m_texto, and the end of the last one.
    std::vector<qsizetype> m_campo{0};
    // First field of each row, and one past the last row's last field.
    std::vector<qsizetype> m_primeiroCampo{0};
    // Start of each row in m_texto, and the end of the last one.
    std::vector<qsizetype> m_inicioLinha{0};
    // How often each UTF-16 code unit occurs in m_texto.
    std::vector<quint32> m_frequencia = std::vector<quint32>(0x10000, 0);
};
