#include "desenho.h"

#include "desenho_p.h"
#include "meuparse/meuparse.h"
#include "numeros.h"
#include "platform/canvas.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

// The largest widget extent the window can take.
constexpr qint64 ExtentMax = 16777215;

// Polyline points whose two tokens both fit in the token table: point i sits
// at entries 2i + 4 and 2i + 5.
constexpr qint64 MaxPontos = (MAX_TOKENS - 5) / 2;

// The point count of a P line: digit arithmetic on the upper-cased token with
// no sign and no check (a character's digit is its code minus 48, or minus 55
// above "@"), wrapping at 64 bits.
qint64 contaPontos(const QByteArray &t)
{
    quint64 value = 0;
    for (char c : t) {
        const quint8 code = quint8(upper(c));
        value = value * 10 + quint64(qint64(code) - (code <= 64 ? 48 : 55));
    }
    return qint64(value);
}

QString texto(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

int metade(int v)
{
    return int(arredonda(v, 2));
}

// Text anchors subtract text extents from mapped coordinates; a huge font
// size (read from the line) makes those extents huge too. Such anchors are
// kept within +-2^30 pixels, far outside any image, instead of wrapping.
constexpr qint64 Longe = qint64(1) << 30;

int perto(qint64 v)
{
    return int(std::clamp(v, -Longe, Longe));
}

} // namespace

Desenho::Desenho(PreviewImage &imagemDesenho) : imagem_desenho(imagemDesenho) {}

// --- mapping ---------------------------------------------------------------

qint32 Desenho::coluna(qint32 v) const
{
    const qint64 t = (20 * qint64(v) + 49) / 98;
    return qint32((t * zoom_atual + 1000 * 115) / 115);
}

qint32 Desenho::linha(qint32 v) const
{
    const qint64 t = (20 * qint64(v) + 49) / 98;
    return qint32(((1000 - t) * zoom_atual) / 115);
}

namespace {

// Widens one axis of the bounding box.
void amplia(qint32 v, qint32 &minimo, qint32 &maximo)
{
    minimo = std::min(minimo, v);
    maximo = std::max(maximo, v);
}

// Whether the pixels from `v` - Margem to `v` + Margem lie in [inicio, fim).
bool dentro(qint32 v, int inicio, int fim)
{
    return qint64(v) - Desenho::Margem >= inicio && qint64(v) + Desenho::Margem < fim;
}

qint64 abaixo256(qint64 v)
{
    return v >= 0 ? v / 256 * 256 : -((-v + 255) / 256 * 256);
}

qint64 acima256(qint64 v)
{
    return -abaixo256(-v);
}

// One axis of the drawing image, [inicio, fim), made to hold the pixels
// [a, b): grown to multiples of 256 pixels on the side that needs it, or,
// when that would pass the ceiling, a ceiling-long stretch holding [a, b). A box with
// its margin longer than the ceiling, or out where no window reaches,
// leaves the axis as it is: the drawing is cut there, as on the fixed
// bitmap.
std::pair<qint64, qint64> faixa(qint64 inicio, qint64 fim, qint64 a, qint64 b)
{
    if ((a >= inicio && b <= fim) || b - a > PreviewImage::Teto || a < -ExtentMax || b > ExtentMax)
        return {inicio, fim};
    qint64 de = std::min(inicio, abaixo256(a));
    const qint64 ate = std::max(fim, acima256(b));
    if (ate - de <= PreviewImage::Teto)
        return {de, ate};
    // What lies outside the box and its margin never shows, so it can go.
    de = std::max(de, b - PreviewImage::Teto);
    return {de, de + PreviewImage::Teto};
}

} // namespace

qint32 Desenho::mapeia_x(qint64 valor, bool track)
{
    const qint32 x = coluna(leInteiro(valor));
    if (track) {
        amplia(x, min_x, max_x);
        const QRect area = imagem_desenho.area();
        if (!dentro(x, area.left(), area.left() + area.width()))
            cobreLimites();
    }
    return x;
}

qint32 Desenho::mapeia_y(qint64 valor, bool track)
{
    const qint32 y = linha(leInteiro(valor));
    if (track) {
        amplia(y, min_y, max_y);
        const QRect area = imagem_desenho.area();
        if (!dentro(y, area.top(), area.top() + area.height()))
            cobreLimites();
    }
    return y;
}

void Desenho::cobreLimites()
{
    // The box's far edges plus the margin, on both sides of each axis.
    const QRect agora = imagem_desenho.area();
    const auto [x0, x1] = faixa(agora.left(), agora.left() + agora.width(), qint64(min_x) - Margem,
                                qint64(max_x) + Margem + 1);
    const auto [y0, y1] = faixa(agora.top(), agora.top() + agora.height(), qint64(min_y) - Margem,
                                qint64(max_y) + Margem + 1);
    const QRect novo(int(x0), int(y0), int(x1 - x0), int(y1 - y0));
    if (novo != agora)
        imagem_desenho.redimensiona(novo, true);
}

void Desenho::abrange(const QRect &texto, QPoint ancora)
{
    // A text anchored out where no preview reaches (a huge font pushes its
    // anchor there) shows nowhere: it must not stretch the box to that far.
    if (qAbs(qint64(ancora.x())) > ExtentMax || qAbs(qint64(ancora.y())) > ExtentMax)
        return;
    const int teto = PreviewImage::Teto;
    const QRect extent = texto & QRect(ancora - QPoint(teto, teto), ancora + QPoint(teto, teto));
    if (extent.isEmpty())
        return;
    amplia(extent.left(), min_x, max_x);
    amplia(extent.right(), min_x, max_x);
    amplia(extent.top(), min_y, max_y);
    amplia(extent.bottom(), min_y, max_y);
    const QRect area = imagem_desenho.area();
    if (!dentro(extent.left(), area.left(), area.left() + area.width()) ||
        !dentro(extent.right(), area.left(), area.left() + area.width()) ||
        !dentro(extent.top(), area.top(), area.top() + area.height()) ||
        !dentro(extent.bottom(), area.top(), area.top() + area.height()))
        cobreLimites();
}

// A token maps as the value it reads as (a 32-bit value reads back as itself).
qint32 Desenho::mapeia_x(QByteArrayView texto, bool track)
{
    return mapeia_x(qint64(leInteiro(texto)), track);
}

qint32 Desenho::mapeia_y(QByteArrayView texto, bool track)
{
    return mapeia_y(qint64(leInteiro(texto)), track);
}

int Desenho::passo(int n) const
{
    return int(arredonda(qint64(n) * zoom_atual, 115));
}

int Desenho::tamanhoFonte(qint32 size) const
{
    return int(arredonda(qint64(size) * zoom_atual, 1000) + 1);
}

// --- clearing and publishing -------------------------------------------------

void Desenho::zeraLimites()
{
    min_x = min_y = VazioMin;
    max_x = max_y = VazioMax;
}

void Desenho::apagarimage1()
{
    apaga(imagem_destino);
}

void Desenho::apaga(PreviewImage *destino)
{
    // A drawing image grown by the last pass goes back to its first size.
    imagem_desenho.redimensiona(QRect(0, 0, PreviewImage::Lado, PreviewImage::Lado), false);
    Canvas &c = canvas();
    c.setPenColor(Cores::Branco);
    c.setBrushColor(Cores::Branco);
    c.fillRect(0, 0, imagem_desenho.lado().width(), imagem_desenho.lado().height());
    if (destino) {
        const QSize extent = destino->extent();
        destino->canvas().fillRect(0, 0, extent.width(), extent.height());
        destino->markChanged();
    }
}

void Desenho::publica()
{
    if (!imagem_destino)
        return;
    PreviewImage &destino = *imagem_destino;
    Canvas &alvo = destino.canvas();
    const qint64 w = qint64(max_x) - min_x + 2 * Margem;
    const qint64 h = qint64(max_y) - min_y + 2 * Margem;
    // The preview's bitmap takes the size of what it shows (at least the
    // first size, and that size again when no bitmap could hold it).
    destino.redimensiona(QRect(0, 0, PreviewImage::ladoPara(w), PreviewImage::ladoPara(h)), false);
    const QSize lado = destino.lado();
    destino.setExtent(lado);
    alvo.fillRect(0, 0, lado.width(), lado.height());

    if (w < 1 || h < 1) {
        destino.setExtent(QSize(LadoVazio, LadoVazio));
        destino.setOrigem(QPoint(0, 0), zoom_atual);
    } else {
        destino.setOrigem(QPoint(min_x - Margem, min_y - Margem), zoom_atual);
        const int largura = int(std::min(w, ExtentMax));
        const int altura = int(std::min(h, ExtentMax));
        destino.setExtent(QSize(largura, altura));
        // The source corner is in drawing coordinates, wherever the drawing
        // image's area starts.
        alvo.copyRect(0, 0, largura, altura, canvas(), min_x - Margem, min_y - Margem);
    }
    destino.markChanged();
}

// --- dispatcher ------------------------------------------------------------------

void Desenho::interpreta_linha(const QByteArray &linha)
{
    if (linha.isEmpty())
        return;
    interpreta(linha, separa_linha(linha));
}

void Desenho::preparaPinos(const std::vector<Tokens> &linhas)
{
    m_pinosVisiveis.clear();
    const auto oculto = [](const Tokens &t) {
        return eComando(t.token(1), "X") && t.token(13).startsWith('N');
    };
    if (std::none_of(linhas.begin(), linhas.end(), oculto))
        return;
    // The pins the pin routine draws: conversion and unit "0" or "1".
    for (const Tokens &t : linhas) {
        if (eComando(t.token(1), "X") && !t.token(13).startsWith('N') && zeroOuUm(t.token(11)) &&
            zeroOuUm(t.token(10)))
            m_pinosVisiveis.emplace_back(leInteiro(t.token(4)), leInteiro(t.token(5)));
    }
}

bool Desenho::empilhado(qint32 x, qint32 y) const
{
    return std::find(m_pinosVisiveis.begin(), m_pinosVisiveis.end(), std::pair(x, y)) !=
           m_pinosVisiveis.end();
}

void Desenho::interpreta(const QByteArray &linha, Tokens tokens)
{
    m_linha = std::move(tokens);
    indice_final = m_linha.indiceFinal();
    const QByteArray &word = token(1);
    if (eComando(word, "S"))
        retangulo();
    if (eComando(word, "P"))
        poligono();
    if (eComando(word, "A"))
        arco();
    if (eComando(word, "T"))
        textos();
    if (eComando(word, "X"))
        pino();
    if (eComando(word, "ALIAS"))
        texto_alias = QByteArray(linha.constData(), linha.size());
    if (eComando(word, "DEF"))
        definicao();
    if (eComando(word, "C"))
        circulo();
    if (word.size() == 2 && upper(word[0]) == 'F')
        titulos();
}

void Desenho::definicao()
{
    qtd_partes = token(8);
    mostra_nome_pino = token(7) == "Y";
    mostra_num_pino = token(6) == "Y";
}

// --- outlines --------------------------------------------------------------------

void Desenho::retangulo()
{
    const qint32 x1 = mapeia_x(token(2), true);
    const qint32 y1 = mapeia_y(token(3), true);
    const qint32 x2 = mapeia_x(token(4), true);
    const qint32 y2 = mapeia_y(token(5), true);
    canvas().rectangle(x1, y1, x2, y2);
}

void Desenho::poligono()
{
    if (!zeroOuUm(token(4)))
        return;
    const qint64 n = contaPontos(token(2));
    const bool fechado = token(indice_final) == "F";

    // Points are read only while both their tokens lie inside the table, so
    // the array never grows with the count written in the line.
    std::array<QPoint, MaxPontos + 1> pontos;
    const qint64 lidos = std::clamp<qint64>(n, 0, MaxPontos);
    qsizetype total = 0;
    for (qint64 i = 1; i <= lidos; ++i) {
        const qint32 x = mapeia_x(token(2 * i + 4), true);
        const qint32 y = mapeia_y(token(2 * i + 5), true);
        pontos[size_t(total++)] = QPoint(x, y);
    }
    if (fechado) {
        // The extra entry stays at the pixel origin unless the letter after the
        // last point closes the outline back to the first point.
        QPoint ultimo(0, 0);
        if (n >= 0 && n <= MaxPontos && token(2 * n + 6) == "F") {
            const qint32 x = mapeia_x(token(6), true);
            const qint32 y = mapeia_y(token(7), true);
            ultimo = QPoint(x, y);
        }
        pontos[size_t(total++)] = ultimo;
    }
    canvas().polyline(std::span<const QPoint>(pontos.data(), size_t(total)));
}

void Desenho::arco()
{
    // Conversion 0 (common to both body styles) is drawn like 1, as for the
    // other outlines.
    if (!zeroOuUm(token(8)))
        return;
    Canvas &c = canvas();
    c.setPenColor(Cores::Preto);
    const qint64 cx = leInteiro(token(2));
    const qint64 cy = leInteiro(token(3));
    const qint64 r = leInteiro(token(4));

    qint64 s = leInteiro(token(5));
    qint64 e = leInteiro(token(6));
    if (s < 0)
        s += 3600;
    if (e < 0)
        e += 3600;
    const bool invertido = (e >= s && e - s >= 1801) || (e < s && s - e <= 1801 && s - e != 1800);

    int p1 = 11, p2 = 13;
    if (invertido)
        std::swap(p1, p2);
    if (escreveLabel1)
        escreveLabel1(invertido ? QStringLiteral("invertida") : QStringLiteral("não invert"));

    const qint32 x1 = mapeia_x(cx - r, false);
    const qint32 y1 = mapeia_y(cy - r, false);
    const qint32 x2 = mapeia_x(cx + r, false);
    const qint32 y2 = mapeia_y(cy + r, false);
    const qint32 x3 = mapeia_x(token(p1), false);
    const qint32 y3 = mapeia_y(token(p1 + 1), false);
    const qint32 x4 = mapeia_x(token(p2), false);
    const qint32 y4 = mapeia_y(token(p2 + 1), false);
    c.arc(x1, y1, x2, y2, x3, y3, x4, y4);
}

void Desenho::circulo()
{
    if (!zeroOuUm(token(5)))
        return;
    Canvas &c = canvas();
    c.setPenColor(Cores::Preto);
    const qint64 cx = leInteiro(token(2));
    const qint64 cy = leInteiro(token(3));
    const qint64 r = leInteiro(token(4));
    const qint32 x1 = mapeia_x(cx - r, true);
    const qint32 y1 = mapeia_y(cy - r, true);
    const qint32 x2 = mapeia_x(cx + r, true);
    const qint32 y2 = mapeia_y(cy + r, true);
    c.ellipse(x1, y1, x2, y2);
}

// --- pins ------------------------------------------------------------------------

void Desenho::pino()
{
    if (!zeroOuUm(token(11)))
        return;
    ++qtd_pinos;
    if (!zeroOuUm(token(10)))
        return;

    Canvas &c = canvas();
    c.setFontColor(Cores::Preto);
    if (!m_pinosVisiveis.empty() && token(13).startsWith('N') &&
        empilhado(leInteiro(token(4)), leInteiro(token(5)))) {
        // A hidden pin under a visible one: nothing is drawn or tracked, but
        // the fonts are left as drawing it would, for the pins after it.
        const char l = token(7).isEmpty() ? '\0' : token(7)[0];
        if (l == 'L' || l == 'R' || l == 'U' || l == 'D')
            textosDoPino(l, {}, {}, false);
        return;
    }
    c.setTextBackground(false);
    const PontaDoPino p = pontaDoPino();
    const char letra = token(7).isEmpty() ? '\0' : token(7)[0];
    const bool orientado = letra == 'L' || letra == 'R' || letra == 'U' || letra == 'D';
    if (orientado) {
        c.moveTo(p.x0, p.y0);
        c.lineTo(p.x1, p.y1);
        textosDoPino(letra, p.ancoraNome, p.ancoraNumero, true);
    }
    // Connection mark: wider on the left.
    c.ellipse(p.x0 - passo(4), p.y0 - passo(2), p.x0 + passo(2), p.y0 + passo(2));
    if (orientado)
        formaDoPino(letra, p);
}

Desenho::PontaDoPino Desenho::pontaDoPino()
{
    // Inner end, text anchors and bubble centre, measured with the font in
    // force before this pin sets its own.
    Canvas &c = canvas();
    PontaDoPino p;
    p.x0 = mapeia_x(token(4), true);
    p.y0 = mapeia_y(token(5), true);
    p.x1 = p.x0;
    p.y1 = p.y0;
    const qint64 px = leInteiro(token(4));
    const qint64 py = leInteiro(token(5));
    const qint64 len = leInteiro(token(6));
    const QString nome = texto(token(2));
    const QString numero = texto(token(3));
    const qint32 y0 = p.y0;
    qint32 &x1 = p.x1, &y1 = p.y1;
    switch (token(7).isEmpty() ? '\0' : token(7)[0]) {
    case 'L':
        x1 = mapeia_x(px - len, true);
        y1 = mapeia_y(py, true);
        p.ancoraNome = {perto(qint64(x1) - c.textWidth(nome) - 10),
                        perto(qint64(y1) - metade(c.textHeight(nome)))};
        p.ancoraNumero = {x1 + 20, perto(qint64(y1) - c.textHeight(nome) - 2)};
        p.centro = {x1 + passo(8), y1};
        break;
    case 'R':
        x1 = mapeia_x(px + len, true);
        y1 = mapeia_y(py, true);
        p.ancoraNome = {x1 + 10, perto(qint64(y1) - metade(c.textHeight(nome)))};
        p.ancoraNumero = {perto(qint64(x1) - c.textWidth(numero) - 20),
                          perto(qint64(y1) - c.textHeight(nome) - 2)};
        p.centro = {x1 - passo(8), y1};
        break;
    case 'U':
        x1 = mapeia_x(px, true);
        y1 = mapeia_y(py + len, true);
        p.ancoraNome = {x1 - 5, y1 - 5};
        p.ancoraNumero = {perto(qint64(x1) - c.textHeight(numero) - 2),
                          perto(qint64(y1) + metade(c.textWidth(numero)) - metade(y1 - y0))};
        p.centro = {x1, y1 + passo(8)};
        break;
    case 'D':
        x1 = mapeia_x(px, true);
        y1 = mapeia_y(py - len, true);
        p.ancoraNome = {x1 + 5, y1 + 5};
        p.ancoraNumero = {perto(qint64(x1) + c.textHeight(numero) + 4),
                          perto(qint64(y1) - metade(c.textWidth(numero)) + metade(y0 - y1))};
        p.centro = {x1, y1 - passo(8)};
        break;
    default:
        break;
    }
    return p;
}

void Desenho::textosDoPino(char letra, QPoint ancoraNome, QPoint ancoraNumero, bool escreve)
{
    // The fonts are set even where nothing is written: the next pin's
    // anchors are measured with them.
    Canvas &c = canvas();
    c.setFontColor(token(6) == "0" ? Cores::Oliva : Cores::Preto);
    const int rotacao = letra == 'D' ? -900 : letra == 'U' ? 900 : 0;
    if (token(2) != "~" && token(2) != token(3)) {
        c.setFontName(QStringLiteral("Arial"));
        c.setFontSize(tamanhoFonte(leInteiro(token(9))));
        c.setFontRotation(rotacao);
        if (escreve && mostra_nome_pino)
            escreveTexto(ancoraNome, texto(token(2)));
    }
    c.setFontName(QStringLiteral("Arial"));
    c.setFontSize(tamanhoFonte(leInteiro(token(8))));
    c.setFontRotation(rotacao);
    if (escreve && mostra_num_pino)
        escreveTexto(ancoraNumero, texto(token(3)));
}

void Desenho::formaDoPino(char letra, const PontaDoPino &p)
{
    Canvas &c = canvas();
    const qint32 x1 = p.x1, y1 = p.y1;
    const QByteArray &forma = token(13);
    if (forma == "I" || forma == "IC") {
        const int raio = passo(7);
        c.setPenMode(PenMode::Copy);
        c.ellipse(p.centro.x() - raio, p.centro.y() - raio, p.centro.x() + raio,
                  p.centro.y() + raio);
    }
    if (forma == "IC" || forma == "CL" || forma == "C") {
        const int k = passo(7);
        switch (letra) {
        case 'L':
            c.moveTo(x1, y1 - k), c.lineTo(x1 - k, y1);
            c.moveTo(x1, y1 + k), c.lineTo(x1 - k, y1);
            break;
        case 'R':
            c.moveTo(x1, y1 + k), c.lineTo(x1 + k, y1);
            c.moveTo(x1, y1 - k), c.lineTo(x1 + k, y1);
            break;
        case 'U':
            c.moveTo(x1 + k, y1), c.lineTo(x1, y1 - k), c.lineTo(x1 - k, y1);
            break;
        case 'D':
            c.moveTo(x1 + k, y1), c.lineTo(x1, y1 + k);
            c.moveTo(x1 - k, y1), c.lineTo(x1, y1 + k);
            break;
        }
    }
    const int w = passo(14), h = passo(7);
    if (forma == "L" || forma == "CL") {
        switch (letra) {
        case 'L':
            c.moveTo(x1, y1), c.lineTo(x1 + w, y1 - h), c.lineTo(x1 + w, y1);
            break;
        case 'R':
            c.moveTo(x1, y1), c.lineTo(x1 - w, y1 - h), c.lineTo(x1 - w, y1);
            break;
        case 'U':
            c.moveTo(x1, y1), c.lineTo(x1 - h, y1 + w), c.lineTo(x1, y1 + w);
            break;
        case 'D':
            c.moveTo(x1, y1), c.lineTo(x1 - h, y1 - w), c.lineTo(x1, y1 - w);
            break;
        }
    }
    if (forma == "V") {
        switch (letra) {
        case 'L':
            c.moveTo(x1, y1 - h), c.lineTo(x1 + w, y1);
            break;
        case 'R':
            c.moveTo(x1, y1 - h), c.lineTo(x1 - w, y1);
            break;
        case 'U':
            c.moveTo(x1 - h, y1), c.lineTo(x1, y1 + w);
            break;
        case 'D':
            c.moveTo(x1 - h, y1), c.lineTo(x1, y1 - w);
            break;
        }
    }
}

// --- texts -----------------------------------------------------------------------

void Desenho::escreveTexto(QPoint ancora, const QString &texto)
{
    Canvas &c = canvas();
    abrange(c.textExtent(ancora.x(), ancora.y(), texto), ancora);
    c.textOut(ancora.x(), ancora.y(), texto);
}

void Desenho::titulos()
{
    // Visible fields only (letter "V" after the orientation), with a text
    // and a size; a vertical one ("V" orientation) turns by +90 degrees.
    if (token(7) != "V" || token(2).isEmpty() || token(5).isEmpty())
        return;
    const int rotacao = token(6) == "V" ? 900 : 0;
    Canvas &c = canvas();
    c.setTextBackground(false);
    c.setFontColor(Cores::Azulado);
    c.setFontName(QStringLiteral("Arial"));
    c.setFontSize(tamanhoFonte(leInteiro(token(5))));
    c.setFontRotation(rotacao);
    const qint32 x = mapeia_x(token(3), true);
    const qint32 y = mapeia_y(token(4), true);
    escreveTexto({x, y}, texto(token(2)));
}

void Desenho::textos()
{
    if (!rxSwitch1)
        return;
    // T angle x y size hidden unit conversion text ...: a shown text of the
    // common or first unit and body style, in black, turned by its angle, "~"
    // standing for a blank as in the library file.
    if (token(6) != "0" || !zeroOuUm(token(7)) || !zeroOuUm(token(8)) || token(9).isEmpty())
        return;
    Canvas &c = canvas();
    c.setTextBackground(false);
    c.setFontColor(Cores::Preto);
    c.setFontName(QStringLiteral("Arial"));
    c.setFontSize(tamanhoFonte(leInteiro(token(5))));
    c.setFontRotation(leInteiro(token(2)));
    const qint32 x = mapeia_x(token(3), true);
    const qint32 y = mapeia_y(token(4), true);
    escreveTexto({x, y}, texto(token(9)).replace(QLatin1Char('~'), QLatin1Char(' ')));
}

// --- zoom ------------------------------------------------------------------------

qint32 &Desenho::zoom(Painel painel)
{
    return painel == Painel::Edicao ? zoom_edicao : zoom_pesquisa;
}

bool Desenho::zoomMais(Painel painel)
{
    qint32 &z = zoom(painel);
    if (z > 200)
        return false;
    z += 10;
    return true;
}

bool Desenho::zoomMenos(Painel painel)
{
    qint32 &z = zoom(painel);
    if (z < 50)
        return false;
    z -= 10;
    return true;
}

bool Desenho::defineZoom(Painel painel, qint32 valor)
{
    valor = std::clamp(valor, ZoomMinimo, ZoomMaximo);
    return std::exchange(zoom(painel), valor) != valor;
}

// A mil is zoom / 563.5 pixels (20 / 98 of a unit, zoom / 115 pixels a unit);
// the library origin lies at column 1000 and row 1000 × zoom / 115.
QPointF Desenho::milsDe(QPointF ponto, qint32 zoom)
{
    const double escala = zoom / 563.5;
    return {(ponto.x() - 1000) / escala, (1000.0 * zoom / 115 - ponto.y()) / escala};
}

QPointF Desenho::pontoDe(QPointF mils, qint32 zoom)
{
    const double escala = zoom / 563.5;
    return {1000 + mils.x() * escala, 1000.0 * zoom / 115 - mils.y() * escala};
}

bool Desenho::zoomNormal(Painel painel)
{
    zoom(painel) = 100;
    return true;
}
