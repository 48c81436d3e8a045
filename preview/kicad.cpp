#include "kicad.h"

#include "desenho_p.h"
#include "kicadsym/symbolsexpr.h"
#include "numeros.h"
#include "symbol/legacysymbol.h"
#include "symbol/symbol.h"

#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace {

// The kinds of drawing item and where each line keeps its unit and body style.
enum class Item { Nenhum, Retangulo, Polilinha, Arco, Circulo, Texto, Pino };

Item itemDe(const QByteArray &word)
{
    if (eComando(word, "S"))
        return Item::Retangulo;
    if (eComando(word, "P"))
        return Item::Polilinha;
    if (eComando(word, "A"))
        return Item::Arco;
    if (eComando(word, "C"))
        return Item::Circulo;
    if (eComando(word, "T"))
        return Item::Texto;
    if (eComando(word, "X"))
        return Item::Pino;
    return Item::Nenhum;
}

// Token index of the unit; the body style follows it.
int indiceUnidade(Item item)
{
    switch (item) {
    case Item::Retangulo:
        return 6;
    case Item::Polilinha:
        return 3;
    case Item::Arco:
    case Item::Texto:
        return 7;
    case Item::Circulo:
        return 5;
    case Item::Pino:
        return 10;
    case Item::Nenhum:
        break;
    }
    return 0;
}

// A whole decimal number, or nothing: unit and style numbers must be exact.
std::optional<qint64> numero(const QByteArray &t)
{
    // Almost always one digit: read without the general conversion.
    if (t.size() == 1 && t[0] >= '0' && t[0] <= '9')
        return t[0] - '0';
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    return ok ? std::optional<qint64>(v) : std::nullopt;
}

// Units above this are no units a symbol can have.
constexpr qint64 UnidadeMax = 100000;

int unidadesDe(const std::vector<Tokens> &linhas)
{
    qint64 declaradas = 0, usadas = 0;
    for (const Tokens &t : linhas) {
        if (eComando(t.token(1), "DEF")) {
            declaradas = numero(t.token(8)).value_or(0);
            continue;
        }
        const Item item = itemDe(t.token(1));
        if (item == Item::Nenhum)
            continue;
        const qint64 u = numero(t.token(indiceUnidade(item))).value_or(0);
        if (u > usadas && u <= UnidadeMax)
            usadas = u;
    }
    const qint64 n = declaradas > 0 ? std::min(declaradas, usadas) : usadas;
    return int(std::max<qint64>(n, 1));
}

std::vector<Tokens> tokensDe(const QList<QByteArray> &linhas)
{
    std::vector<Tokens> result;
    result.reserve(size_t(linhas.size()));
    for (const QByteArray &l : linhas)
        result.push_back(l.isEmpty() ? Tokens() : separa_linha(l));
    return result;
}

// Whether token n of the line was written between double quotes, following
// the tokenizer's rules.
bool entreAspas(const QByteArray &linha, qint64 n)
{
    enum { Fora, Palavra, Aspas } estado = Fora;
    qint64 guardados = 0;
    bool aspas = false;
    for (char c : linha) {
        switch (estado) {
        case Fora:
            if (c == ' ')
                break;
            aspas = c == '"';
            estado = aspas ? Aspas : Palavra;
            break;
        case Palavra:
            if (c == ' ' || c == '"') {
                if (++guardados == n)
                    return false;
                estado = c == '"' ? Aspas : Fora;
                aspas = c == '"';
            }
            break;
        case Aspas:
            if (c == '"') {
                if (++guardados == n)
                    return true;
                estado = Fora;
            }
            break;
        }
    }
    return estado != Fora && guardados + 1 == n && aspas;
}

AlinhaH alinhaH(const QByteArray &t)
{
    if (t == "L")
        return AlinhaH::Esquerda;
    if (t == "R")
        return AlinhaH::Direita;
    return AlinhaH::Centro;
}

AlinhaV alinhaV(char c)
{
    if (c == 'T')
        return AlinhaV::Topo;
    if (c == 'B')
        return AlinhaV::Base;
    return AlinhaV::Centro;
}

// Sizes and lengths beyond this many mils are taken as this.
constexpr qint64 MilsMax = 100000;

qint64 tamanho(const QByteArray &t)
{
    return std::clamp<qint64>(leInteiro(t), 0, MilsMax);
}

// The distance of a pin's texts from its line: a margin of 4 mils and half
// the text's and the pin's strokes.
qint64 afastamento(qint64 tamanhoTexto)
{
    const qint64 traco = std::min<qint64>(6, arredonda(tamanhoTexto, 6));
    return 4 + (traco + 6) / 2;
}

QString subReferencia(int unidade)
{
    QString s;
    int u = unidade - 1;
    while (u >= 26) {
        s += QChar(u'A' + u / 26 - 1);
        u %= 26;
    }
    s += QChar(u'A' + std::max(u, 0));
    return s;
}

} // namespace

namespace {

// The model of a .kicad_sym row's lines (first non-blank byte '('), else nothing.
std::optional<Symbol> modeloDe(const QList<QByteArray> &linhas)
{
    for (const QByteArray &l : linhas) {
        const QByteArray t = l.trimmed();
        if (t.isEmpty())
            continue;
        if (!t.startsWith('('))
            return std::nullopt;
        SymbolBuild b = buildSymbol(linhas.join('\n'));
        return b.ok() ? std::optional<Symbol>(std::move(b.symbol)) : Symbol();
    }
    return std::nullopt;
}

} // namespace

int unidadesDoSimbolo(const QList<QByteArray> &linhas)
{
    if (const auto s = modeloDe(linhas))
        return std::clamp(s->unitCount(), 1, int(UnidadeMax));
    return unidadesDe(tokensDe(linhas));
}

bool temConvertido(const QList<QByteArray> &linhas)
{
    if (const auto s = modeloDe(linhas))
        return s->hasBodyStyles();
    for (const Tokens &t : tokensDe(linhas)) {
        const Item item = itemDe(t.token(1));
        if (item != Item::Nenhum && numero(t.token(indiceUnidade(item) + 1)) == 2)
            return true;
    }
    return false;
}

QString textoDeBiblioteca(QByteArrayView bytes)
{
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return quint8(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

TextoMarcado comBarras(const QString &marcado)
{
    // Most texts have no mark and stay as they are, without a copy.
    if (!marcado.contains(u'~'))
        return {marcado, {}};
    TextoMarcado r;
    r.texto.reserve(marcado.size());
    int inicio = -1;
    for (qsizetype i = 0; i < marcado.size(); ++i) {
        if (marcado[i] != u'~') {
            r.texto += marcado[i];
            continue;
        }
        if (i + 1 < marcado.size() && marcado[i + 1] == u'~') {
            r.texto += u'~';
            ++i;
            continue;
        }
        if (inicio < 0) {
            inicio = int(r.texto.size());
        } else {
            r.barras.push_back({inicio, int(r.texto.size())});
            inicio = -1;
        }
    }
    if (inicio >= 0 && inicio < r.texto.size())
        r.barras.push_back({inicio, int(r.texto.size())});
    std::erase_if(r.barras, [](const Barra &b) { return b.fim <= b.inicio; });
    return r;
}

TextoMarcado comBarrasNovas(const QString &marcado)
{
    if (!marcado.contains(u"~{"))
        return {marcado, {}};
    TextoMarcado r;
    r.texto.reserve(marcado.size());
    int inicio = -1;
    for (qsizetype i = 0; i < marcado.size(); ++i) {
        const QChar c = marcado[i];
        if (inicio < 0 && c == u'~' && i + 1 < marcado.size() && marcado[i + 1] == u'{') {
            inicio = int(r.texto.size());
            ++i;
        } else if (inicio >= 0 && c == u'}') {
            if (r.texto.size() > inicio)
                r.barras.push_back({inicio, int(r.texto.size())});
            inicio = -1;
        } else {
            r.texto += c;
        }
    }
    // An unclosed mark runs to the end, as KiCad draws it.
    if (inicio >= 0 && inicio < r.texto.size())
        r.barras.push_back({inicio, int(r.texto.size())});
    return r;
}

// --- the pass ---------------------------------------------------------------------

void DesenhoKiCad::desenha(const QList<QByteArray> &linhas, const std::vector<Tokens> &tokens,
                           const OpcoesKiCad &opcoes)
{
    m_canvas = &d.canvas();
    m_opcoes = opcoes;
    m_deslocamento = 0;
    m_mostraNumeros = m_mostraNomes = true;
    m_unidades = unidadesDe(tokens);

    const size_t n = std::min(tokens.size(), size_t(linhas.size()));
    bool temDef = false, temDraw = false;
    // The facts the information panel shows, as the classic pass finds them.
    for (size_t i = 0; i < n; ++i) {
        const QByteArray &linha = linhas[qsizetype(i)];
        if (linha.isEmpty())
            continue;
        const Tokens &t = tokens[i];
        d.indice_final = t.indiceFinal();
        const QByteArray &word = t.token(1);
        temDraw |= word == "DRAW";
        if (eComando(word, "ALIAS")) {
            d.texto_alias = linha;
        } else if (eComando(word, "DEF")) {
            temDef = true;
            d.qtd_partes = t.token(8);
            d.mostra_nome_pino = t.token(7) == "Y";
            d.mostra_num_pino = t.token(6) == "Y";
            m_deslocamento = std::clamp<qint64>(leInteiro(t.token(5)), 0, MilsMax);
            m_mostraNumeros = t.token(6) != "N";
            m_mostraNomes = t.token(7) != "N";
        } else if (eComando(word, "X") && zeroOuUm(t.token(11))) {
            ++d.qtd_pinos;
        }
    }

    // A component is drawn from its model, as a .kicad_sym row is; one typed
    // without its DRAW line yet has its items read as drawn. Lines without
    // a DEF (a text being typed) have no component flags to read: they keep
    // the line drawing, which shows each item as it is typed.
    if (temDef) {
        const QByteArray texto = linhas.join('\n');
        const QList<Symbol> symbols =
            symbolsFromLegacy(temDraw ? texto : "DRAW\n" + texto, nullptr);
        desenhaModelo(symbols.front());
        return;
    }

    const auto cada = [&](auto &&desenhaItem) {
        for (size_t i = 0; i < n; ++i) {
            if (!linhas[qsizetype(i)].isEmpty())
                desenhaItem(linhas[qsizetype(i)], tokens[i]);
        }
    };
    // Backgrounds under everything, so that no body hides another's outline.
    cada([&](const QByteArray &, const Tokens &t) { forma(t, true); });
    cada([&](const QByteArray &linha, const Tokens &t) {
        if (itemDe(t.token(1)) == Item::Texto)
            textoLivre(linha, t);
        else
            forma(t, false);
    });
    cada([&](const QByteArray &, const Tokens &t) {
        if (itemDe(t.token(1)) == Item::Pino)
            pino(t);
    });
    cada([&](const QByteArray &, const Tokens &t) {
        const QByteArray &w = t.token(1);
        if (w.size() >= 2 && upper(w[0]) == 'F' &&
            std::all_of(w.begin() + 1, w.end(), [](char c) { return c >= '0' && c <= '9'; }))
            campo(t);
    });
}

bool DesenhoKiCad::selecionado(const Tokens &t, int unidade, int convertido) const
{
    const auto u = numero(t.token(unidade));
    const auto c = numero(t.token(convertido));
    return u && c && (*u == 0 || *u == m_opcoes.unidade) && (*c == 0 || *c == m_opcoes.convertido);
}

double DesenhoKiCad::pixels(qint64 mils) const
{
    return double(mils) * escala();
}

double DesenhoKiCad::largura(qint64 mils) const
{
    if (mils <= 0)
        mils = 6;
    return std::max(1.0, pixels(std::min<qint64>(mils, 1000)));
}

QPoint DesenhoKiCad::ponto(qint64 x, qint64 y, bool track)
{
    const qint32 px = d.mapeia_x(x, track);
    return {px, d.mapeia_y(y, track)};
}

void DesenhoKiCad::forma(const Tokens &t, bool soFundo)
{
    const Item item = itemDe(t.token(1));
    if (item == Item::Nenhum || item == Item::Texto || item == Item::Pino)
        return;
    const int iu = indiceUnidade(item);
    if (!selecionado(t, iu, iu + 1))
        return;

    // Width and fill letter follow the body style; a polyline's fill letter
    // follows its points.
    qint64 pontos = 0;
    int indiceFill = iu + 3;
    if (item == Item::Polilinha) {
        const qint64 ultimo = t.token(t.indiceFinal()).isEmpty() ? t.qtd() : t.indiceFinal();
        const qint64 cabem = std::max<qint64>(0, (std::min<qint64>(ultimo, MAX_TOKENS) - 5) / 2);
        pontos = std::clamp<qint64>(leInteiro(t.token(2)), 0, cabem);
        indiceFill = int(2 * pontos + 6);
    }
    const QByteArray &fill = t.token(indiceFill);
    const bool fundo = fill == "f";
    if (soFundo && !fundo)
        return;

    Traco traco;
    traco.cor = CoresKiCad::Corpo;
    if (soFundo) {
        traco.largura = 0;
        traco.preenche = true;
        traco.fundo = CoresKiCad::Fundo;
    } else {
        traco.largura = largura(leInteiro(t.token(iu + 2)));
        traco.preenche = fill == "F";
        traco.fundo = CoresKiCad::Corpo;
    }

    switch (item) {
    case Item::Retangulo: {
        const QPoint a = ponto(leInteiro(t.token(2)), leInteiro(t.token(3)), true);
        const QPoint b = ponto(leInteiro(t.token(4)), leInteiro(t.token(5)), true);
        const std::array<QPoint, 4> cantos{a, QPoint(b.x(), a.y()), b, QPoint(a.x(), b.y())};
        m_canvas->strokePath(cantos, true, traco);
        break;
    }
    case Item::Polilinha: {
        std::vector<QPoint> p;
        p.reserve(size_t(pontos));
        for (qint64 i = 1; i <= pontos; ++i)
            p.push_back(ponto(leInteiro(t.token(2 * i + 4)), leInteiro(t.token(2 * i + 5)), true));
        m_canvas->strokePath(p, traco.preenche, traco);
        break;
    }
    case Item::Circulo: {
        const qint64 cx = leInteiro(t.token(2)), cy = leInteiro(t.token(3));
        const qint64 r = std::abs(qint64(leInteiro(t.token(4))));
        const QPoint a = ponto(cx - r, cy + r, true), b = ponto(cx + r, cy - r, true);
        m_canvas->strokeEllipse(a.x(), a.y(), b.x(), b.y(), traco);
        break;
    }
    case Item::Arco: {
        const qint64 cx = leInteiro(t.token(2)), cy = leInteiro(t.token(3));
        const qint64 r = std::abs(qint64(leInteiro(t.token(4))));
        // The arc of at most 180 degrees between the two angles; at exactly
        // 180, counterclockwise from the first.
        const auto normal = [](qint64 a) { return ((a % 3600) + 3600) % 3600; };
        qint64 inicio = normal(leInteiro(t.token(5)));
        const qint64 fim = normal(leInteiro(t.token(6)));
        qint64 extensao = normal(fim - inicio);
        if (extensao > 1800) {
            inicio = fim;
            extensao = 3600 - extensao;
        }
        arco(cx, cy, r, inicio, extensao, traco);
        break;
    }
    default:
        break;
    }
}

void DesenhoKiCad::arco(qint64 cx, qint64 cy, qint64 r, qint64 inicio, qint64 extensao,
                        const Traco &traco)
{
    const auto normal = [](qint64 a) { return ((a % 3600) + 3600) % 3600; };
    // The box grows by the arc's ends and the quadrant points it passes.
    const auto marca = [&](qint64 angulo) {
        const double rad = double(angulo) * M_PI / 1800;
        ponto(cx + std::llround(double(r) * std::cos(rad)),
              cy + std::llround(double(r) * std::sin(rad)), true);
    };
    marca(inicio);
    marca(inicio + extensao);
    for (qint64 q = 0; q < 3600; q += 900) {
        if (normal(q - inicio) < extensao)
            marca(q);
    }
    const QPoint a = ponto(cx - r, cy + r, false), b = ponto(cx + r, cy - r, false);
    m_canvas->strokeArc(a.x(), a.y(), b.x(), b.y(), int(inicio), int(extensao), traco);
}

void DesenhoKiCad::rotulo(qint64 x, qint64 y, const TextoMarcado &texto, const EstiloTexto &estilo,
                          bool track)
{
    if (texto.texto.isEmpty())
        return;
    const QPoint ancora = ponto(x, y, track);
    d.abrange(m_canvas->labelExtent(ancora, texto.texto, estilo), ancora);
    m_canvas->drawLabel(ancora, texto.texto, texto.barras, estilo);
}

void DesenhoKiCad::textoLivre(const QByteArray &linha, const Tokens &t)
{
    // T angle x y size hidden unit style text italic bold hjust vjust
    if (t.token(6) != "0" || !selecionado(t, 7, 8))
        return;
    const QString bruto = textoDeBiblioteca(t.token(9));
    TextoMarcado texto;
    if (entreAspas(linha, 9)) {
        texto = comBarras(bruto);
    } else {
        // Unquoted, the legacy format writes blanks as "~".
        texto.texto = bruto;
        texto.texto.replace(u'~', u' ');
    }
    EstiloTexto e;
    e.altura = pixels(tamanho(t.token(5)));
    e.rotacao = int(((qint64(leInteiro(t.token(2))) % 3600) + 3600) % 3600);
    e.italico = t.token(10) == "Italic";
    e.negrito = leInteiro(t.token(11)) > 0;
    e.h = alinhaH(t.token(12));
    e.v = alinhaV(t.token(13).isEmpty() ? 'C' : t.token(13)[0]);
    e.cor = CoresKiCad::Texto;
    e.largura = std::max(1.0, pixels(6));
    rotulo(leInteiro(t.token(3)), leInteiro(t.token(4)), texto, e, true);
}

void DesenhoKiCad::campo(const Tokens &t)
{
    // Fn "text" x y size orientation visibility hjust vjust+italic+bold
    if (t.token(7) != "V")
        return;
    QString texto = textoDeBiblioteca(t.token(2));
    if (texto == QStringLiteral("~"))
        texto.clear();
    if (texto.isEmpty())
        return;
    // The reference reads as KiCad's editor shows it: "U?", "U?A" for unit A.
    if (QByteArrayView(t.token(1)).sliced(1).toInt() == 0) {
        texto += u'?';
        if (m_unidades > 1)
            texto += subReferencia(std::clamp(m_opcoes.unidade, 1, int(UnidadeMax)));
    }
    const QByteArray &estilo = t.token(9);
    EstiloTexto e;
    e.altura = pixels(tamanho(t.token(5)));
    e.rotacao = t.token(6) == "V" ? 900 : 0;
    e.h = alinhaH(t.token(8));
    e.v = alinhaV(estilo.isEmpty() ? 'C' : estilo[0]);
    e.italico = estilo.size() > 1 && estilo[1] == 'I';
    e.negrito = estilo.size() > 2 && estilo[2] == 'B';
    e.cor = CoresKiCad::Campo;
    e.largura = std::max(1.0, pixels(6));
    rotulo(leInteiro(t.token(3)), leInteiro(t.token(4)), comBarras(texto), e, true);
}

void DesenhoKiCad::pino(const Tokens &t)
{
    // X name number x y length orientation numberSize nameSize unit style type shape
    if (!selecionado(t, 10, 11))
        return;
    Pino p;
    for (char c : t.token(13)) {
        p.oculto |= c == 'N';
        p.invertido |= c == 'I';
        p.clock |= c == 'C';
        p.baixa |= c == 'L';
        p.saidaBaixa |= c == 'V';
        p.descida |= c == 'F';
        p.naoLogico |= c == 'X';
    }
    if (p.oculto && !m_opcoes.mostraOcultos)
        return;
    p.orientacao = t.token(7).isEmpty() ? '\0' : t.token(7)[0];
    p.x = leInteiro(t.token(4));
    p.y = leInteiro(t.token(5));
    p.comprimento = std::clamp<qint64>(leInteiro(t.token(6)), -MilsMax, MilsMax);
    p.tamNumero = tamanho(t.token(8));
    p.tamNome = tamanho(t.token(9));
    p.naoConecta = t.token(12) == "N";
    if (m_mostraNomes && t.token(2) != "~" && !t.token(2).isEmpty())
        p.nome = comBarras(textoDeBiblioteca(t.token(2)));
    if (m_mostraNumeros && !t.token(3).isEmpty())
        p.numero = comBarras(textoDeBiblioteca(t.token(3)));
    desenhaPino(p);
}

void DesenhoKiCad::desenhaPino(const Pino &pin)
{
    const bool oculto = pin.oculto, invertido = pin.invertido, clock = pin.clock, baixa = pin.baixa,
               saidaBaixa = pin.saidaBaixa, descida = pin.descida, naoLogico = pin.naoLogico;
    const char orientacao = pin.orientacao;
    // Direction from the inner end towards the connection point.
    qint64 dx = 0, dy = 0;
    switch (orientacao) {
    case 'R':
        dx = -1;
        break;
    case 'L':
        dx = 1;
        break;
    case 'U':
        dy = -1;
        break;
    case 'D':
        dy = 1;
        break;
    default:
        return;
    }
    const qint64 px = pin.x, py = pin.y;
    const qint64 comprimento = pin.comprimento;
    const qint64 x1 = px - dx * comprimento, y1 = py - dy * comprimento;
    const qint64 tamNumero = pin.tamNumero, tamNome = pin.tamNome;
    const qint64 externo = tamNumero / 2;
    const qint64 interno = tamNome != 0 ? tamNome / 2 : tamNumero / 2;

    Traco traco;
    traco.cor = oculto ? CoresKiCad::Oculto : CoresKiCad::Corpo;
    traco.largura = largura(0);
    const QPoint p0 = ponto(px, py, true);
    const QPoint p1 = ponto(x1, y1, true);
    const auto linha = [&](std::initializer_list<std::pair<qint64, qint64>> pontos) {
        std::array<QPoint, 3> p;
        size_t k = 0;
        for (const auto &[x, y] : pontos)
            p[k++] = ponto(x, y, false);
        m_canvas->strokePath(std::span(p.data(), k), false, traco);
    };

    // The line, shortened by a bubble or an outside clock wedge.
    if (invertido) {
        const QPoint a = ponto(x1 + dx * externo - externo, y1 + dy * externo + externo, false);
        const QPoint b = ponto(x1 + dx * externo + externo, y1 + dy * externo - externo, false);
        m_canvas->strokeEllipse(a.x(), a.y(), b.x(), b.y(), traco);
        linha({{x1 + dx * 2 * externo, y1 + dy * 2 * externo}, {px, py}});
    } else if (descida) {
        linha({{x1 + dx * 2 * interno, y1 + dy * 2 * interno}, {px, py}});
    } else {
        const std::array<QPoint, 2> p{p1, p0};
        m_canvas->strokePath(p, false, traco);
    }
    const bool horizontal = dy == 0;
    if (clock) {
        const qint64 c = interno;
        if (horizontal)
            linha({{x1, y1 - c}, {x1 - dx * 2 * c, y1}, {x1, y1 + c}});
        else
            linha({{x1 + c, y1}, {x1, y1 - dy * 2 * c}, {x1 - c, y1}});
    }
    if (descida) {
        const qint64 c = interno;
        if (horizontal)
            linha({{x1, y1 - c}, {x1 + dx * 2 * c, y1}, {x1, y1 + c}});
        else
            linha({{x1 + c, y1}, {x1, y1 + dy * 2 * c}, {x1 - c, y1}});
    }
    const qint64 e = externo;
    if (baixa) {
        if (horizontal)
            linha({{x1 + dx * 2 * e, y1}, {x1 + dx * 2 * e, y1 + 2 * e}, {x1, y1}});
        else
            linha({{x1, y1 + dy * 2 * e}, {x1 - 2 * e, y1 + dy * 2 * e}, {x1, y1}});
    }
    if (saidaBaixa) {
        if (horizontal)
            linha({{x1, y1 + 2 * e}, {x1 + dx * 2 * e, y1}});
        else
            linha({{x1 - 2 * e, y1}, {x1, y1 + dy * 2 * e}});
    } else if (naoLogico) {
        linha({{x1 - e, y1 - e}, {x1 + e, y1 + e}});
        linha({{x1 - e, y1 + e}, {x1 + e, y1 - e}});
    }

    // The connection end: a cross for a pin not to be connected, else the
    // small target circle, both one pixel wide.
    Traco fino = traco;
    fino.largura = 1;
    constexpr qint64 Alvo = 12;
    if (pin.naoConecta) {
        for (const qint64 s : {1, -1}) {
            const std::array<QPoint, 2> p{ponto(px - Alvo, py - s * Alvo, false),
                                          ponto(px + Alvo, py + s * Alvo, false)};
            m_canvas->strokePath(p, false, fino);
        }
    } else {
        const QPoint a = ponto(px - Alvo, py + Alvo, false), b = ponto(px + Alvo, py - Alvo, false);
        m_canvas->strokeEllipse(a.x(), a.y(), b.x(), b.y(), fino);
    }

    // Name and number.
    const bool temNome = !pin.nome.texto.isEmpty();
    const bool temNumero = !pin.numero.texto.isEmpty();
    if (!temNome && !temNumero)
        return;
    EstiloTexto nome;
    nome.altura = pixels(tamNome);
    nome.cor = oculto ? CoresKiCad::Oculto : CoresKiCad::NomePino;
    nome.largura = std::max(1.0, pixels(std::min<qint64>(6, arredonda(tamNome, 6))));
    EstiloTexto numero = nome;
    numero.altura = pixels(tamNumero);
    numero.cor = oculto ? CoresKiCad::Oculto : CoresKiCad::NumeroPino;
    const int rotacao = horizontal ? 0 : 900;
    nome.rotacao = numero.rotacao = rotacao;
    const TextoMarcado &textoNome = pin.nome;
    const TextoMarcado &textoNumero = pin.numero;
    const qint64 offNome = afastamento(tamNome), offNumero = afastamento(tamNumero);
    const qint64 meioX = (x1 + px) / 2, meioY = (y1 + py) / 2;

    if (m_deslocamento > 0) {
        // The name inside the body, the number above the line (left of it
        // when upright), centred.
        nome.v = AlinhaV::Centro;
        numero.h = AlinhaH::Centro;
        numero.v = AlinhaV::Base;
        if (horizontal) {
            nome.h = dx < 0 ? AlinhaH::Esquerda : AlinhaH::Direita;
            rotulo(x1 - dx * m_deslocamento, y1, textoNome, nome, false);
            rotulo(meioX, y1 + offNumero, textoNumero, numero, false);
        } else {
            nome.h = dy < 0 ? AlinhaH::Esquerda : AlinhaH::Direita;
            rotulo(x1, y1 - dy * m_deslocamento, textoNome, nome, false);
            rotulo(x1 - offNumero, meioY, textoNumero, numero, false);
        }
    } else {
        // Name above the line and number below it (left and right of an
        // upright line), both centred on it.
        nome.h = numero.h = AlinhaH::Centro;
        nome.v = AlinhaV::Base;
        numero.v = AlinhaV::Topo;
        if (horizontal) {
            rotulo(meioX, y1 + offNome, textoNome, nome, false);
            rotulo(meioX, y1 - offNumero, textoNumero, numero, false);
        } else {
            rotulo(x1 - offNome, meioY, textoNome, nome, false);
            rotulo(x1 + offNumero, meioY, textoNumero, numero, false);
        }
    }
}

// --- the model ----------------------------------------------------------------------

namespace {

// Internal units to mils, the drawing's own unit.
qint64 mils(qint64 iu)
{
    return std::clamp<qint64>((iu >= 0 ? iu + Iu::perMil / 2 : iu - Iu::perMil / 2) / Iu::perMil,
                              -1000000000, 1000000000);
}

qint64 tamanhoIu(qint64 iu)
{
    return std::clamp<qint64>(mils(iu), 0, MilsMax);
}

void justifica(const TextEffects &e, EstiloTexto &estilo)
{
    estilo.h = AlinhaH::Centro;
    estilo.v = AlinhaV::Centro;
    for (const QByteArray &j : e.justify) {
        if (j == "left")
            estilo.h = AlinhaH::Esquerda;
        else if (j == "right")
            estilo.h = AlinhaH::Direita;
        else if (j == "top")
            estilo.v = AlinhaV::Topo;
        else if (j == "bottom")
            estilo.v = AlinhaV::Base;
    }
    estilo.italico = e.italic;
    estilo.negrito = e.bold;
}

qint64 normal(qint64 a)
{
    return ((a % 3600) + 3600) % 3600;
}

qint64 anguloDe(double dx, double dy)
{
    return normal(std::llround(std::atan2(dy, dx) * 1800 / M_PI));
}

Cor corDe(const SymbolColor &c)
{
    return Cor(quint32(std::clamp(c.b, 0, 255)) << 16 | quint32(std::clamp(c.g, 0, 255)) << 8 |
               quint32(std::clamp(c.r, 0, 255)));
}

} // namespace

void DesenhoKiCad::desenha(const Symbol &symbol, const OpcoesKiCad &opcoes)
{
    m_canvas = &d.canvas();
    m_opcoes = opcoes;
    d.mostra_num_pino = !symbol.pinNumbersHidden;
    d.mostra_nome_pino = !symbol.pinNamesHidden;
    m_unidades = std::clamp(symbol.unitCount(), 1, int(UnidadeMax));
    desenhaModelo(symbol);
}

void DesenhoKiCad::desenhaModelo(const Symbol &symbol)
{
    m_deslocamento =
        std::clamp<qint64>(mils(symbol.pinNameOffset.value_or(20 * Iu::perMil)), 0, MilsMax);
    m_mostraNumeros = !symbol.pinNumbersHidden;
    m_mostraNomes = !symbol.pinNamesHidden;
    const OpcoesKiCad &opcoes = m_opcoes;
    QList<const SymbolUnit *> unidades;
    for (const SymbolUnit &u : symbol.units) {
        if ((u.unit == 0 || u.unit == opcoes.unidade) &&
            (u.style == 0 || u.style == opcoes.convertido))
            unidades << &u;
    }
    // The order of the legacy pass: backgrounds, outlines and texts, pins,
    // then the fields.
    for (const SymbolUnit *u : unidades) {
        for (const GraphicItem &g : u->graphics)
            desenhaForma(g, true);
    }
    for (const SymbolUnit *u : unidades) {
        for (const GraphicItem &g : u->graphics) {
            if (g.kind == GraphicItem::Kind::Text)
                desenhaTexto(g);
            else
                desenhaForma(g, false);
        }
    }
    for (const SymbolUnit *u : unidades) {
        for (const SymbolPin &p : u->pins)
            desenhaPinoDoModelo(p);
    }
    for (const SymbolProperty &p : symbol.properties)
        desenhaPropriedade(p);
}

void DesenhoKiCad::desenhaForma(const GraphicItem &g, bool soFundo)
{
    using K = GraphicItem::Kind;
    using F = GraphicItem::Fill;
    if (g.kind == K::Text || g.points.isEmpty())
        return;
    const bool fundo = g.fill == F::Background;
    if (soFundo && !fundo)
        return;
    Traco traco;
    traco.cor = CoresKiCad::Corpo;
    if (soFundo) {
        traco.largura = 0;
        traco.preenche = true;
        traco.fundo = CoresKiCad::Fundo;
    } else {
        traco.largura = largura(mils(g.strokeWidth));
        traco.preenche = g.fill == F::Outline || (g.fill == F::Color && g.fillColor);
        traco.fundo = g.fill == F::Color && g.fillColor ? corDe(*g.fillColor) : CoresKiCad::Corpo;
    }
    const auto pt = [&](QPoint p) { return ponto(mils(p.x()), mils(p.y()), true); };

    switch (g.kind) {
    case K::Rectangle:
    case K::TextBox: {
        if (g.points.size() < 2)
            return;
        const QPoint a = pt(g.points[0]), b = pt(g.points[1]);
        const std::array<QPoint, 4> cantos{a, QPoint(b.x(), a.y()), b, QPoint(a.x(), b.y())};
        m_canvas->strokePath(cantos, true, traco);
        if (g.kind == K::TextBox && !soFundo)
            desenhaTexto(g);
        break;
    }
    case K::Polyline: {
        std::vector<QPoint> p;
        p.reserve(size_t(g.points.size()));
        for (const QPoint &q : g.points)
            p.push_back(pt(q));
        m_canvas->strokePath(p, traco.preenche, traco);
        break;
    }
    case K::Bezier: {
        if (g.points.size() < 4)
            return;
        // A cubic curve through its two ends, bent by the two middle points.
        constexpr int Passos = 16;
        std::vector<QPoint> p;
        p.reserve(Passos + 1);
        const QPointF p0 = g.points[0], p1 = g.points[1], p2 = g.points[2], p3 = g.points[3];
        for (int i = 0; i <= Passos; ++i) {
            const double t = double(i) / Passos, u = 1 - t;
            const QPointF q =
                u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
            p.push_back(pt(q.toPoint()));
        }
        m_canvas->strokePath(p, traco.preenche, traco);
        break;
    }
    case K::Circle: {
        const qint64 cx = mils(g.points[0].x()), cy = mils(g.points[0].y());
        const qint64 r = std::abs(mils(g.radius));
        const QPoint a = ponto(cx - r, cy + r, true), b = ponto(cx + r, cy - r, true);
        m_canvas->strokeEllipse(a.x(), a.y(), b.x(), b.y(), traco);
        break;
    }
    case K::Arc: {
        if (g.points.size() < 3)
            return;
        // The centre of the circle through start, middle and end.
        const double ax = g.points[0].x(), ay = g.points[0].y();
        const double bx = g.points[1].x(), by = g.points[1].y();
        const double cx = g.points[2].x(), cy = g.points[2].y();
        const double den = 2 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by));
        if (den == 0)
            return;
        const double a2 = ax * ax + ay * ay, b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
        const double ox = (a2 * (by - cy) + b2 * (cy - ay) + c2 * (ay - by)) / den;
        const double oy = (a2 * (cx - bx) + b2 * (ax - cx) + c2 * (bx - ax)) / den;
        if (!std::isfinite(ox) || !std::isfinite(oy) || std::abs(ox) > 1e12 || std::abs(oy) > 1e12)
            return;
        const qint64 inicio0 = anguloDe(ax - ox, ay - oy), fim = anguloDe(cx - ox, cy - oy);
        const qint64 meio = anguloDe(bx - ox, by - oy);
        qint64 inicio = inicio0, extensao = normal(fim - inicio0);
        // Counterclockwise from start to end when that passes the middle,
        // else the other way round.
        if (normal(meio - inicio0) > extensao) {
            inicio = fim;
            extensao = 3600 - extensao;
        }
        const qint64 r = std::llround(std::hypot(ax - ox, ay - oy) / Iu::perMil);
        arco(std::llround(ox / Iu::perMil), std::llround(oy / Iu::perMil), r, inicio, extensao,
             traco);
        break;
    }
    default:
        break;
    }
}

void DesenhoKiCad::desenhaTexto(const GraphicItem &g)
{
    if (g.effects.hidden || g.text.isEmpty() || g.points.isEmpty())
        return;
    EstiloTexto e;
    e.altura = pixels(tamanhoIu(g.effects.height));
    e.rotacao = int(normal(g.angle));
    justifica(g.effects, e);
    e.cor = CoresKiCad::Texto;
    e.largura = std::max(1.0, pixels(6));
    qint64 x = mils(g.points[0].x()), y = mils(g.points[0].y());
    if (g.kind == GraphicItem::Kind::TextBox && g.points.size() >= 2) {
        // Inside the box by its justification, a margin from its edges.
        const qint64 x0 = std::min(mils(g.points[0].x()), mils(g.points[1].x()));
        const qint64 x1 = std::max(mils(g.points[0].x()), mils(g.points[1].x()));
        const qint64 y0 = std::min(mils(g.points[0].y()), mils(g.points[1].y()));
        const qint64 y1 = std::max(mils(g.points[0].y()), mils(g.points[1].y()));
        const qint64 margem = tamanhoIu(g.effects.height) / 4 + mils(g.strokeWidth);
        e.h = e.h == AlinhaH::Centro && !g.effects.justify.contains("center") ? AlinhaH::Esquerda
                                                                              : e.h;
        if (!g.effects.justify.contains("bottom") && e.v == AlinhaV::Centro)
            e.v = AlinhaV::Topo;
        x = e.h == AlinhaH::Esquerda  ? x0 + margem
            : e.h == AlinhaH::Direita ? x1 - margem
                                      : (x0 + x1) / 2;
        y = e.v == AlinhaV::Topo ? y1 - margem : e.v == AlinhaV::Base ? y0 + margem : (y0 + y1) / 2;
    }
    rotulo(x, y, comBarrasNovas(textoDeBiblioteca(g.text)), e, true);
}

void DesenhoKiCad::desenhaPinoDoModelo(const SymbolPin &s)
{
    if (s.hidden && !m_opcoes.mostraOcultos)
        return;
    Pino p;
    p.oculto = s.hidden;
    const QByteArray &f = s.shape;
    p.invertido = f == "inverted" || f == "inverted_clock";
    p.clock = f == "clock" || f == "inverted_clock" || f == "clock_low";
    p.baixa = f == "input_low" || f == "clock_low";
    p.saidaBaixa = f == "output_low";
    p.descida = f == "edge_clock_high";
    p.naoLogico = f == "non_logic";
    p.naoConecta = s.type == "no_connect";
    switch (normal(s.angle)) {
    case 0:
        p.orientacao = 'R';
        break;
    case 900:
        p.orientacao = 'U';
        break;
    case 1800:
        p.orientacao = 'L';
        break;
    case 2700:
        p.orientacao = 'D';
        break;
    default:
        return;
    }
    p.x = mils(s.at.x());
    p.y = mils(s.at.y());
    p.comprimento = std::clamp<qint64>(mils(s.length), -MilsMax, MilsMax);
    p.tamNome = tamanhoIu(s.nameEffects.height);
    p.tamNumero = tamanhoIu(s.numberEffects.height);
    if (m_mostraNomes && s.name != "~")
        p.nome = comBarrasNovas(textoDeBiblioteca(s.name));
    if (m_mostraNumeros)
        p.numero = comBarrasNovas(textoDeBiblioteca(s.number));
    desenhaPino(p);
}

void DesenhoKiCad::desenhaPropriedade(const SymbolProperty &p)
{
    if (p.effects.hidden)
        return;
    QString texto = textoDeBiblioteca(p.value);
    if (texto == QStringLiteral("~"))
        texto.clear();
    if (texto.isEmpty())
        return;
    // The reference reads as KiCad's editor shows it: "U?", "U?A" for unit A.
    if (p.name == "Reference") {
        texto += u'?';
        if (m_unidades > 1)
            texto += subReferencia(std::clamp(m_opcoes.unidade, 1, int(UnidadeMax)));
    }
    EstiloTexto e;
    e.altura = pixels(tamanhoIu(p.effects.height));
    e.rotacao = normal(p.angle) % 1800 == 900 ? 900 : 0;
    justifica(p.effects, e);
    e.cor = CoresKiCad::Campo;
    e.largura = std::max(1.0, pixels(6));
    rotulo(mils(p.at.x()), mils(p.at.y()), comBarrasNovas(texto), e, true);
}
