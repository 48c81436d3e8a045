#include "meuparse.h"

#include <QVarLengthArray>

namespace {

const QByteArray emptyText;

bool isNumeric(const QByteArray &text)
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

Tokens separa_linha(const QByteArray &linha)
{
    Tokens result;
    std::vector<Token> &entries = result.m_entries;
    qint64 next = 1;
    QByteArray current;
    quint8 state = TK_VAZIO;

    auto store = [&](quint8 kind) {
        if (next <= MAX_TOKENS)
            entries.push_back(Token{current, kind});
        ++next;
    };

    for (char c : linha) {
        const bool blank = c == ' ';
        const bool quote = c == '"';
        const bool lineBreak = c == '\r' || c == '\n';
        switch (state) {
        case TK_VAZIO:
            if (blank)
                break;
            if (quote) {
                current.clear();
                state = TK_ASPAS;
            } else {
                current = QByteArray(1, c);
                state = TK_TEXTO;
            }
            break;
        case TK_TEXTO:
            if (blank) {
                store(isNumeric(current) ? TK_NUMERO : TK_TEXTO);
                state = TK_VAZIO;
            } else if (quote) {
                // The quoted characters continue the word's text.
                store(TK_TEXTO);
                state = TK_ASPAS;
            } else if (lineBreak) {
                store(TK_TEXTO);
            } else {
                current.append(c);
            }
            break;
        case TK_ASPAS:
            if (quote) {
                store(TK_TEXTO);
                current.clear();
                state = TK_VAZIO;
            } else {
                current.append(c);
            }
            break;
        }
    }

    // An open word or quoted string is put at the next index without counting it.
    if ((state == TK_TEXTO || state == TK_ASPAS) && next <= MAX_TOKENS)
        entries.push_back(Token{current, state == TK_TEXTO ? TK_TEXTO : TK_ASPAS});

    result.m_qtd = qint32(qMin<qint64>(next - 1, 0x7FFFFFFE));
    return result;
}

QByteArray token_da_linha(QByteArrayView linha, qint64 i)
{
    if (i < 1 || i > MAX_TOKENS)
        return {};
    // The scanner of separa_linha, counting tokens instead of storing them.
    QVarLengthArray<char, 64> current;
    qint64 next = 1;
    quint8 state = TK_VAZIO;
    auto texto = [&] { return QByteArray(current.data(), current.size()); };
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
            if (blank || quote || lineBreak) {
                if (next++ == i)
                    return texto();
                if (blank)
                    state = TK_VAZIO;
                else if (quote)
                    state = TK_ASPAS;
            } else {
                current.append(c);
            }
            break;
        case TK_ASPAS:
            if (quote) {
                if (next++ == i)
                    return texto();
                current.clear();
                state = TK_VAZIO;
            } else {
                current.append(c);
            }
            break;
        }
    }
    // An open word or quoted string stands at the next index.
    if (state != TK_VAZIO && next == i)
        return texto();
    return {};
}
