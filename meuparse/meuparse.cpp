#include "meuparse.h"

#include <QVarLengthArray>

namespace {

const QByteArray emptyText;

bool isNumeric(QByteArrayView text)
{
    for (char c : text) {
        if (!(c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

} // namespace

const QByteArray &Tokens::token(qint64 i) const
{
    if (i < 1 || i > qint64(m_entries.size()))
        return emptyText;
    return m_entries[size_t(i - 1)].texto;
}

quint8 Tokens::tipo(qint64 i) const
{
    if (i < 1 || i > qint64(m_entries.size()))
        return TK_VAZIO;
    return m_entries[size_t(i - 1)].tipo;
}

namespace {

// Walks the line through the scanner's states. fecha(texto, tipo, aberta) is
// called for each token as it closes (TK_NUMERO for a word closed by a blank
// and made of + - . and digits, TK_TEXTO otherwise) and, at the end, for a
// word (TK_TEXTO) or quoted string (TK_ASPAS) still open; it returns false to
// stop the walk.
template <typename Fecha> void varre(QByteArrayView linha, Fecha &&fecha)
{
    QVarLengthArray<char, 64> current;
    quint8 state = TK_VAZIO;
    auto texto = [&] { return QByteArrayView(current.data(), current.size()); };
    for (char c : linha) {
        const bool blank = c == ' ';
        const bool quote = c == '"';
        const bool lineBreak = c == '\r' || c == '\n';
        switch (state) {
        case TK_VAZIO:
            if (blank)
                break;
            current.clear();
            if (quote) {
                state = TK_ASPAS;
            } else {
                current.append(c);
                state = TK_TEXTO;
            }
            break;
        case TK_TEXTO:
            if (blank) {
                if (!fecha(texto(), isNumeric(texto()) ? TK_NUMERO : TK_TEXTO, false))
                    return;
                state = TK_VAZIO;
            } else if (quote) {
                // The quoted characters continue the word's text.
                if (!fecha(texto(), TK_TEXTO, false))
                    return;
                state = TK_ASPAS;
            } else if (lineBreak) {
                if (!fecha(texto(), TK_TEXTO, false))
                    return;
            } else {
                current.append(c);
            }
            break;
        case TK_ASPAS:
            if (quote) {
                if (!fecha(texto(), TK_TEXTO, false))
                    return;
                state = TK_VAZIO;
            } else {
                current.append(c);
            }
            break;
        }
    }
    if (state == TK_TEXTO || state == TK_ASPAS)
        fecha(texto(), state, true);
}

} // namespace

Tokens separa_linha(const QByteArray &linha)
{
    Tokens result;
    std::vector<Token> &entries = result.m_entries;
    qint64 next = 1;
    // An open word or quoted string is put at the next index without counting it.
    varre(linha, [&](QByteArrayView texto, quint8 tipo, bool aberta) {
        if (next <= MAX_TOKENS)
            entries.push_back(Token{texto.toByteArray(), tipo});
        if (!aberta)
            ++next;
        return true;
    });
    result.m_qtd = qint32(qMin<qint64>(next - 1, 0x7FFFFFFE));
    return result;
}

QByteArray token_da_linha(QByteArrayView linha, qint64 i)
{
    QByteArray out;
    if (i < 1 || i > MAX_TOKENS)
        return out;
    qint64 next = 1;
    varre(linha, [&](QByteArrayView texto, quint8, bool aberta) {
        if (next == i) {
            out = texto.toByteArray();
            return false;
        }
        if (!aberta)
            ++next;
        return true;
    });
    return out;
}
