#pragma once

#include <QByteArray>
#include <QtGlobal>

// Token kinds; the same values name the scanner's states.
inline constexpr quint8 TK_TEXTO = 0;  // a word, or a closed quoted string
inline constexpr quint8 TK_NUMERO = 1; // a word closed by a blank, made of + - . and digits
inline constexpr quint8 TK_VAZIO = 6;  // an empty entry; also the idle state
inline constexpr quint8 TK_ASPAS = 7;  // a quoted string still open at the end of the line

inline constexpr int MAX_TOKENS = 300;

struct Token
{
    QByteArray texto;
    quint8 tipo = TK_VAZIO;
};

// The one token table of the program, indexed 1..MAX_TOKENS; entry 0 exists only
// so that the indices read as everywhere else and is never written.
extern Token tokens[MAX_TOKENS + 1];
extern qint32 qtd_tokens;

// Splits one line into blank-separated tokens (a double-quoted string is one
// token) and leaves them in `tokens`. Returns qtd_tokens + 1: the number of
// closed tokens plus one; a word still open at the end of the line sits at
// that index without being counted.
//
// Lines with more than MAX_TOKENS tokens: tokens past entry 300 are dropped
// and never stored, but they are still counted, so qtd_tokens and the result
// keep telling how many tokens the line has. Callers must therefore never
// index the table with a value above MAX_TOKENS; `token()` below clamps.
qint32 separa_linha(const QByteArray &linha);

// Entry i of the table, or an empty text for any index outside 1..MAX_TOKENS.
const QByteArray &token(qint64 i);
