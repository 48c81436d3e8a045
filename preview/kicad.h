#pragma once

#include "desenho.h"
#include "meuparse/meuparse.h"
#include "platform/canvas.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <vector>

struct Symbol;
struct GraphicItem;
struct SymbolPin;
struct SymbolProperty;

// The two ways a pane can draw a symbol: the classic preview, or the symbol
// as KiCad 5's symbol editor shows it.
enum class Vista { Classica, KiCad };

// What the KiCad view of a pane shows: one unit (1 and up) of one body style
// (1 normal, 2 "convertido"), hidden pins or not.
struct OpcoesKiCad
{
    int unidade = 1;
    int convertido = 1;
    bool mostraOcultos = false;

    friend bool operator==(const OpcoesKiCad &, const OpcoesKiCad &) = default;
};

// KiCad 5's default schematic colours, written 0xBBGGRR.
namespace CoresKiCad {
inline constexpr Cor Corpo = 0x000084;      // body outline and pins, #840000
inline constexpr Cor Fundo = 0xC2FFFF;      // body background, #FFFFC2
inline constexpr Cor NomePino = 0x848400;   // pin names, #008484
inline constexpr Cor NumeroPino = 0x000084; // pin numbers, #840000
inline constexpr Cor Campo = 0x848400;      // fields, #008484
inline constexpr Cor Texto = 0x840000;      // free texts, #000084
inline constexpr Cor Oculto = 0xC2C2C2;     // hidden pins shown
} // namespace CoresKiCad

// How many units the window offers for a symbol: the DEF line's unit count
// (token 8), at most the highest unit its drawing items use and at least 1;
// a count that is not a positive number gives the highest unit used. A
// .kicad_sym row answers from its model (a derived one has none of its own:
// Analise::unitCount finds its parent).
int unidadesDoSimbolo(const QList<QByteArray> &linhas);
// Whether any drawing item belongs to body style 2 (a .kicad_sym row: its
// model has a second body style).
bool temConvertido(const QList<QByteArray> &linhas);

// A library text as shown: valid UTF-8 as UTF-8, anything else byte for
// byte as Latin-1.
QString textoDeBiblioteca(QByteArrayView bytes);

// A text with KiCad's overbar marks taken out: each "~" turns the overbar
// on or off, "~~" stands for one "~".
struct TextoMarcado
{
    QString texto;
    std::vector<Barra> barras;
};
TextoMarcado comBarras(const QString &marcado);
// The same for KiCad 6 and later: "~{...}" is overlined; any other "~" is
// itself.
TextoMarcado comBarrasNovas(const QString &marcado);

// Draws a symbol the way KiCad 5's symbol editor does, through the mapping,
// the bounding box and the drawing image of a Desenho, so that clearing and
// publishing work as for the classic view.
//
// Drawn: the items of unit 0 or the chosen unit and of body style 0 or the
// chosen one. Backgrounds of "f" shapes first, then outlines and free texts
// in line order, then pins, then the visible fields. Widths and text sizes
// scale with the zoom (zoom / 563.5 pixels a mil, the mapping's own scale).
// The information values (alias, parts, pin count and the DEF flags) are
// gathered as the classic pass gathers them.
class DesenhoKiCad
{
public:
    explicit DesenhoKiCad(Desenho &desenho) : d(desenho) {}

    // `tokens[i]` is separa_linha(linhas[i]), an empty value for an empty line.
    // A component (it has a DEF line) is drawn from symbolsFromLegacy()'s
    // model; lines without one item by item.
    void desenha(const QList<QByteArray> &linhas, const std::vector<Tokens> &tokens,
                 const OpcoesKiCad &opcoes);

    // The symbol's model, with the same choices and the same drawing: a
    // .kicad_sym row. Lengths go from internal units to mils.
    void desenha(const Symbol &symbol, const OpcoesKiCad &opcoes);

    // Pixels a mil at the zoom in use.
    double escala() const { return d.zoom_atual / 563.5; }

private:
    bool selecionado(const Tokens &t, int unidade, int convertido) const;
    // A stroke width from a width in mils: 0 (or less) gives 6 mils; at
    // least one pixel.
    double largura(qint64 mils) const;
    double pixels(qint64 mils) const;
    QPoint ponto(qint64 x, qint64 y, bool track);

    void forma(const Tokens &t, bool soFundo);
    void textoLivre(const QByteArray &linha, const Tokens &t);
    void pino(const Tokens &t);
    // What a pin is drawn from, whichever format it came from.
    struct Pino
    {
        qint64 x = 0, y = 0, comprimento = 0;
        char orientacao = 'R';
        bool oculto = false, invertido = false, clock = false, baixa = false, saidaBaixa = false,
             descida = false, naoLogico = false, naoConecta = false;
        TextoMarcado nome, numero; // empty: not shown
        qint64 tamNome = 0, tamNumero = 0;
    };
    void desenhaPino(const Pino &p);
    // The arc of `extensao` tenths counterclockwise from `inicio` about
    // (cx, cy), in mils.
    void arco(qint64 cx, qint64 cy, qint64 r, qint64 inicio, qint64 extensao, const Traco &traco);
    // The model's drawing; the information values and the unit count are
    // the caller's.
    void desenhaModelo(const Symbol &symbol);
    void desenhaForma(const GraphicItem &g, bool soFundo);
    void desenhaTexto(const GraphicItem &g);
    void desenhaPinoDoModelo(const SymbolPin &p);
    void desenhaPropriedade(const SymbolProperty &p);
    void campo(const Tokens &t);
    void rotulo(qint64 x, qint64 y, const TextoMarcado &texto, const EstiloTexto &estilo,
                bool track);

    Desenho &d;
    Canvas *m_canvas = nullptr;
    OpcoesKiCad m_opcoes;
    qint64 m_deslocamento = 0;
    bool m_mostraNumeros = true;
    bool m_mostraNomes = true;
    int m_unidades = 1;
};
