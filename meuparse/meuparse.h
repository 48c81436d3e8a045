#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>
#include <vector>

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

// The tokens of one line, indexed 1..MAX_TOKENS as the line formats number
// their fields. A value: callers keep it as long as they need it.
//
// Lines with more than MAX_TOKENS tokens: tokens past entry 300 are dropped
// and never stored, but they are still counted, so qtd() and indiceFinal()
// keep telling how many tokens the line has. Every index outside the stored
// entries reads as an empty TK_VAZIO entry.
class Tokens
{
public:
    // Entry i, or an empty text for any index not stored.
    const QByteArray &token(qint64 i) const;
    quint8 tipo(qint64 i) const;
    // The number of closed tokens (at most 0x7FFFFFFE).
    qint32 qtd() const { return m_qtd; }
    // qtd() + 1: a word still open at the end of the line sits at this index
    // without being counted.
    qint32 indiceFinal() const { return m_qtd + 1; }

private:
    friend Tokens separa_linha(const QByteArray &linha);
    std::vector<Token> m_entries; // entry i at m_entries[i - 1]
    qint32 m_qtd = 0;
};

// Splits one line into blank-separated tokens (a double-quoted string is one
// token; a quote right after a word starts a string that continues the
// word's text).
Tokens separa_linha(const QByteArray &linha);

// Token i of the line as separa_linha(linha).token(i) gives it, the line
// scanned no further than that token's end: the library reader wants only the
// name on each DEF line.
QByteArray token_da_linha(QByteArrayView linha, qint64 i);
