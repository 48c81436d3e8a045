#pragma once

// S-expressions as KiCad writes its files: lists, bare tokens (symbols and
// numbers) and quoted strings.
//
// A document is one flat array of nodes, each holding its byte range in the
// source it was read from, so that a file of millions of tokens costs no heap
// block per token and any unchanged part can be written back byte for byte.
// Reading is iterative: depth is bounded by a cap, not by the stack.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

// Where and why reading stopped; line and column count from 1, columns in
// characters (UTF-8), a tab being one.
struct SExprError
{
    qsizetype offset = -1;
    int line = 0;
    int column = 0;
    QString message;

    bool isNull() const { return offset < 0; }
    // "linha 12, coluna 7: falta ')'"
    QString text() const;

    // The error at `offset` of `source`, with its line and column.
    static SExprError at(QByteArrayView source, qsizetype offset, const QString &message);
};

class SExprDocument
{
public:
    enum class Kind : quint8 { List, Symbol, String, Number };
    // 16 bytes: a file holds about one node per 5 bytes, so the nodes are
    // most of what reading it costs in memory.
    struct Node
    {
        qint32 begin = 0; // the node's bytes: [begin, end) of the source
        qint32 firstChild = -1;
        qint32 next = -1;
        qint32 end : 30 = 0;
        Kind kind : 2 = Kind::Symbol;
    };
    // Offsets must fit in `end`.
    static constexpr qsizetype maxSourceSize = (qsizetype(1) << 29) - 1;

    // KiCad's own files nest a dozen levels; anything near these is hostile.
    static constexpr int maxDepth = 1000;
    static constexpr qsizetype maxTokenSize = qsizetype(1) << 20;

    // Reads [from, to) of `source` (to < 0: to its end). Offsets in nodes and
    // errors are offsets of `source`.
    static SExprDocument parse(const QByteArray &source, qsizetype from = 0, qsizetype to = -1);

    bool ok() const { return m_error.isNull(); }
    const SExprError &error() const { return m_error; }
    const QByteArray &source() const { return m_source; }

    // Top-level nodes, chained through `next`; -1 when there is none.
    int firstRoot() const { return m_firstRoot; }
    const Node &node(int i) const { return m_nodes[size_t(i)]; }
    int nodeCount() const { return int(m_nodes.size()); }

    QByteArrayView raw(int i) const
    {
        const Node &n = node(i);
        return QByteArrayView(m_source.constData() + n.begin, n.end - n.begin);
    }
    bool isList(int i) const { return i >= 0 && node(i).kind == Kind::List; }
    bool isAtom(int i) const { return i >= 0 && node(i).kind != Kind::List; }
    // A string's value with its escapes undone; a bare token as written.
    QByteArray text(int i) const;
    // The first child of a list when it is a bare token (its keyword).
    // Inline: reading a symbol asks for heads and children at every node.
    QByteArrayView head(int list) const
    {
        if (!isList(list))
            return {};
        const int first = node(list).firstChild;
        if (first < 0 || node(first).kind != Kind::Symbol)
            return {};
        return raw(first);
    }
    int child(int list, int k) const
    {
        if (!isList(list))
            return -1;
        int c = node(list).firstChild;
        while (c >= 0 && k-- > 0)
            c = node(c).next;
        return c;
    }
    int childCount(int list) const;
    // The first child list whose keyword is `keyword`, or -1.
    int find(int list, QByteArrayView keyword) const;
    // A finite number; nullopt for anything else (nan, inf, 1e999, words).
    std::optional<double> number(int i) const;

    SExprError errorAt(qsizetype offset, const QString &message) const
    {
        return SExprError::at(m_source, offset, message);
    }

private:
    QByteArray m_source;
    std::vector<Node> m_nodes;
    int m_firstRoot = -1;
    SExprError m_error;
};

// A string as KiCad quotes it: in double quotes, with \ " and line breaks
// escaped.
QByteArray sexprQuoted(QByteArrayView value);
// Undoes the escapes of a quoted string's inside (quotes excluded).
QByteArray sexprUnescaped(QByteArrayView inside);
// Whether a bare token is a number by the strict grammar
// [+-]digits[.digits][e[+-]digits] (or [+-].digits...).
bool sexprIsNumber(QByteArrayView token);

// The text with its layout removed: one blank between two tokens, none
// after '(' or before ')'. Tokens kept for their text compare equal
// whatever layout they were read in.
QByteArray sexprCompacted(QByteArrayView raw);

// KiCad 8's layout of an S-expression written on one line: each list on a line
// of its own, indented with tabs by depth; a list whose last child is a list
// closes on its own line; consecutive (xy ...) lists share a line while it
// stays short. Strings are copied as they are; no line end after the last
// parenthesis (KiCad 8 writes none, KiCad 9 one). `indent` tabs start every
// line, as for a list that is laid out inside another.
QByteArray sexprPrettified(QByteArrayView compact, int indent = 0);
