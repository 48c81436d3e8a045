#include "meuparse.h"

Token tokens[MAX_TOKENS + 1];
qint32 qtd_tokens = 0;

namespace {
// Entries above this index are known to be empty already; the reset clears
// only what the previous line wrote, which leaves the same table as clearing
// all 300 entries.
int highestWritten = MAX_TOKENS;

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

const QByteArray &token(qint64 i)
{
    if (i < 1 || i > MAX_TOKENS)
        return emptyText;
    return tokens[i].texto;
}

qint32 separa_linha(const QByteArray &linha)
{
    for (int i = 1; i <= highestWritten; ++i) {
        tokens[i].texto.clear();
        tokens[i].tipo = TK_VAZIO;
    }
    highestWritten = 0;

    qint64 next = 1;
    QByteArray current;
    quint8 state = TK_VAZIO;

    auto store = [&](quint8 kind) {
        if (next <= MAX_TOKENS) {
            tokens[next].texto = current;
            tokens[next].tipo = kind;
            highestWritten = int(next);
        }
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
    if ((state == TK_TEXTO || state == TK_ASPAS) && next <= MAX_TOKENS) {
        tokens[next].texto = current;
        tokens[next].tipo = state == TK_TEXTO ? TK_TEXTO : TK_ASPAS;
        highestWritten = int(next);
    }

    const qint64 count = next - 1;
    qtd_tokens = qint32(qMin<qint64>(count, 0x7FFFFFFE));
    return qtd_tokens + 1;
}
