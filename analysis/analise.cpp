#include "analise.h"

#include "kicadsym/symbolsexpr.h"
#include "platform/canvas.h"
#include "symbol/legacysymbol.h"

#include <algorithm>
#include <cmath>
#include <utility>

Analise::Analise(PreviewImage::CanvasFactory canvasFactory, QObject *parent)
    : QObject(parent), m_image1(canvasFactory), m_image2(canvasFactory), m_image3(canvasFactory),
      m_desenho(m_image1)
{
    m_desenho.escreveLabel1 = [this](const QString &texto) { emit label1Changed(texto); };
}

Analise::~Analise() = default;

namespace {

// A .kicad_sym row opens with its (symbol ...) list; a legacy one with DEF.
bool isKicadSym(const QList<QByteArray> &linhas)
{
    for (const QByteArray &l : linhas) {
        for (char c : l) {
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
                return c == '(';
        }
    }
    return false;
}

QByteArray joined(const QList<QByteArray> &linhas)
{
    return linhas.size() == 1 ? linhas.front() : linhas.join('\n');
}

// The model of the symbol named `name` (the component or one of its
// aliases) in a legacy row's text.
std::optional<Symbol> legacySymbolNamed(const QByteArray &text, const QByteArray &name)
{
    const QList<Symbol> symbols = symbolsFromLegacy(text, nullptr);
    for (const Symbol &s : symbols) {
        if (s.name == name)
            return s;
    }
    return symbols.isEmpty() || symbols.front().name.isEmpty()
               ? std::nullopt
               : std::optional<Symbol>(symbols.front());
}

} // namespace

void Analise::setSymbolLookup(Painel painel,
                              std::function<QByteArray(const QByteArray &name)> rowText)
{
    m_lookup[painel == Painel::Edicao ? 0 : 1] = std::move(rowText);
}

const Analise::Built &Analise::built(const QByteArray &text)
{
    auto it = m_models.constFind(text);
    if (it != m_models.constEnd())
        return *it;
    // A row typed key by key leaves one text per key: keep the cache small.
    if (m_models.size() >= 4096)
        m_models.clear();
    SymbolBuild b = buildSymbol(text);
    Built built;
    if (b.ok())
        built.symbol = std::make_shared<const Symbol>(std::move(b.symbol));
    else
        built.erro = b.error.text();
    return *m_models.insert(text, std::move(built));
}

std::shared_ptr<const Symbol> Analise::model(Painel painel, const QByteArray &text, QString *erro)
{
    const Built own = built(text);
    if (erro)
        *erro = own.erro;
    if (!own.symbol || own.symbol->extends.isEmpty())
        return own.symbol;
    // The parent comes from the pane's library as it stands now: looked up
    // on each pass, its model kept by its text as the row's is.
    const auto &lookup = m_lookup[painel == Painel::Edicao ? 0 : 1];
    std::vector<std::shared_ptr<const Symbol>> parents;
    auto resolved = std::make_shared<Symbol>(*own.symbol);
    resolveParent(*resolved, [&](const QByteArray &name) -> const Symbol * {
        const QByteArray parentText = lookup ? lookup(name) : QByteArray();
        if (parentText.isEmpty())
            return nullptr;
        if (isKicadSym({parentText})) {
            parents.push_back(built(parentText).symbol);
        } else {
            std::optional<Symbol> s = legacySymbolNamed(parentText, name);
            parents.push_back(s ? std::make_shared<const Symbol>(std::move(*s)) : nullptr);
        }
        return parents.back().get();
    });
    return resolved;
}

int Analise::unitCount(Painel painel, const QList<QByteArray> &linhas)
{
    if (!isKicadSym(linhas))
        return unidadesDoSimbolo(linhas);
    const auto s = model(painel, joined(linhas), nullptr);
    return s ? std::clamp(s->unitCount(), 1, 100000) : 1;
}

bool Analise::hasBodyStyles(Painel painel, const QList<QByteArray> &linhas)
{
    if (!isKicadSym(linhas))
        return temConvertido(linhas);
    const auto s = model(painel, joined(linhas), nullptr);
    return s && s->hasBodyStyles();
}

bool Analise::inicia(bool tabelaVazia)
{
    if (tabelaVazia)
        return false;
    m_desenho.zeraLimites();
    m_desenho.apagarimage1();
    Canvas &c = m_desenho.canvas();
    c.setPenColor(Cores::Preto);
    c.setPenMode(PenMode::Mask);
    return true;
}

void Analise::desenhaLinhas(const QList<QByteArray> &linhas, Painel painel)
{
    m_erro.clear();
    if (isKicadSym(linhas)) {
        // Drawn as KiCad draws it whichever the view: the classic drawing
        // knows legacy lines only.
        const auto s = model(painel, joined(linhas), &m_erro);
        if (s) {
            m_kicad.desenha(*s, opcoes(painel));
            m_desenho.qtd_partes = QByteArray::number(s->unitCount());
            m_desenho.qtd_pinos = 0;
            for (const SymbolUnit &u : s->units) {
                if (u.style <= 1)
                    m_desenho.qtd_pinos += qint32(u.pins.size());
            }
        }
        return;
    }
    // Each line is tokenized once: the pin pre-pass looks at all of them
    // (hidden pins stacked on visible ones), then they are drawn in order.
    const qsizetype n = linhas.size();
    m_tokens.clear();
    m_tokens.reserve(size_t(n));
    for (qsizetype i = 0; i < n; ++i)
        m_tokens.push_back(linhas[i].isEmpty() ? Tokens() : separa_linha(linhas[i]));
    if (m_vista == Vista::KiCad) {
        m_kicad.desenha(linhas, m_tokens, opcoes(painel));
        return;
    }
    m_desenho.preparaPinos(m_tokens);
    for (qsizetype i = 0; i < n; ++i) {
        if (!linhas[i].isEmpty())
            m_desenho.interpreta(linhas[i], std::move(m_tokens[size_t(i)]));
    }
    m_desenho.esquecePinos();
}

void Analise::converter(bool tabelaVazia, const QList<QByteArray> &linhas, const QByteArray &nome)
{
    if (!inicia(tabelaVazia))
        return;
    m_desenho.texto_alias = "ALIAS";
    m_desenho.qtd_pinos = 0;
    m_desenho.qtd_partes = "0";
    desenhaLinhas(linhas, Painel::Edicao);

    m_legendas.l_nome = QString::fromLatin1(nome);
    m_legendas.L_alias = QString::fromLatin1(m_desenho.texto_alias);
    m_legendas.L_pinos =
        QStringLiteral("Descrições de Pinos: ") + QString::number(m_desenho.qtd_pinos);
    m_legendas.L_elementos = QStringLiteral("Quantidade de elementos(partes): ") +
                             QString::fromLatin1(m_desenho.qtd_partes);
    m_legendas.erro = m_erro;
    emit legendasChanged(m_legendas);

    m_desenho.publica();
}

void Analise::converter2(bool tabelaVazia, const QList<QByteArray> &linhas)
{
    if (!inicia(tabelaVazia))
        return;
    m_desenho.canvas().setFontName(QStringLiteral("Arial"));
    desenhaLinhas(linhas, Painel::Pesquisa);
    m_desenho.publica();
}

void Analise::redesenhaEdicao(bool tabelaVazia, const QList<QByteArray> &linhas,
                              const QByteArray &nome)
{
    m_desenho.imagem_destino = &m_image2;
    m_desenho.zoom_atual = m_desenho.zoom_edicao;
    converter(tabelaVazia, linhas, nome);
}

void Analise::redesenhaPesquisa(bool tabelaVazia, const QList<QByteArray> &linhas)
{
    m_desenho.imagem_destino = &m_image3;
    m_desenho.zoom_atual = m_desenho.zoom_pesquisa;
    converter2(tabelaVazia, linhas);
}

void Analise::setVista(Vista vista)
{
    if (vista == m_vista)
        return;
    std::swap(m_desenho.zoom_edicao, m_zoomsDaOutraVista[0]);
    std::swap(m_desenho.zoom_pesquisa, m_zoomsDaOutraVista[1]);
    m_vista = vista;
}

void Analise::apagar()
{
    m_desenho.apaga(&m_image2);
}

bool Analise::ajusta(Painel painel, QSize vista, const std::function<void()> &redesenha)
{
    PreviewImage &imagem = preview(painel);
    qint32 &zoom = m_desenho.zoom(painel);
    const qint32 inicial = zoom;
    const int m = Desenho::Margem;
    redesenha();
    const auto cabe = [&] {
        return imagem.extent().width() <= vista.width() &&
               imagem.extent().height() <= vista.height();
    };
    // The drawing grows with the zoom almost in proportion; text sizes go by
    // whole points, so a few passes settle it.
    for (int passo = 0; passo < 6; ++passo) {
        const double w = imagem.extent().width() - 2 * m;
        const double h = imagem.extent().height() - 2 * m;
        if (w <= 0 || h <= 0)
            break;
        const double fator = std::min((vista.width() - 2 * m) / w, (vista.height() - 2 * m) / h);
        const qint32 antes = zoom;
        if (!m_desenho.defineZoom(painel, qint32(std::floor(zoom * fator))))
            break;
        redesenha();
        if (zoom < antes && cabe())
            break;
    }
    for (int passo = 0; passo < 20 && !cabe() && zoom > Desenho::ZoomMinimo; ++passo) {
        m_desenho.defineZoom(painel, std::min(zoom - 1, zoom * 97 / 100));
        redesenha();
    }
    return zoom != inicial;
}

std::optional<QPointF> Analise::zoomEm(Painel painel, int passos, QPointF pixel,
                                       const std::function<void()> &redesenha)
{
    const PreviewImage &imagem = preview(painel);
    const QPointF mils = Desenho::milsDe(pixel + QPointF(imagem.origem()), imagem.zoom());
    const qint32 zoom = m_desenho.zoom(painel);
    qint32 novo = qint32(std::lround(zoom * std::pow(1.25, std::clamp(passos, -20, 20))));
    // Small zooms move by one at least.
    if (novo == zoom)
        novo += passos > 0 ? 1 : passos < 0 ? -1 : 0;
    if (!m_desenho.defineZoom(painel, novo))
        return std::nullopt;
    redesenha();
    return Desenho::pontoDe(mils, imagem.zoom()) - QPointF(imagem.origem());
}
