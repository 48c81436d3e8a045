#include "sexpr/sexpr.h"

#include <array>
#include <charconv>
#include <cmath>

QString SExprError::text() const
{
    return QStringLiteral("linha %1, coluna %2: %3").arg(line).arg(column).arg(message);
}

SExprError SExprError::at(QByteArrayView source, qsizetype offset, const QString &message)
{
    SExprError e;
    e.offset = offset;
    e.message = message;
    e.line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < offset && i < source.size(); ++i)
        if (source[i] == '\n') {
            ++e.line;
            lineStart = i + 1;
        }
    e.column = 1;
    for (qsizetype i = lineStart; i < offset && i < source.size(); ++i)
        if ((uchar(source[i]) & 0xC0) != 0x80) // continuation bytes share their character
            ++e.column;
    return e;
}

namespace {

// One table look-up per byte instead of a chain of comparisons.
enum : quint8 { Blank = 1, EndsToken = 2 };
constexpr std::array<quint8, 256> charClasses = [] {
    std::array<quint8, 256> t{};
    for (const char c : {' ', '\t', '\n', '\r', '\f', '\v'})
        t[uchar(c)] = Blank | EndsToken;
    for (const char c : {'(', ')', '"', '\0'})
        t[uchar(c)] = EndsToken;
    return t;
}();

bool isBlank(char c)
{
    return charClasses[uchar(c)] & Blank;
}

bool endsToken(char c)
{
    return charClasses[uchar(c)] & EndsToken;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

bool sexprIsNumber(QByteArrayView t)
{
    qsizetype i = 0;
    const qsizetype n = t.size();
    if (i < n && (t[i] == '+' || t[i] == '-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(t[i]))
        ++i, ++digits;
    if (i < n && t[i] == '.') {
        ++i;
        while (i < n && isDigit(t[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-'))
            ++i;
        qsizetype exp = 0;
        while (i < n && isDigit(t[i]))
            ++i, ++exp;
        if (exp == 0)
            return false;
    }
    return i == n;
}

static_assert(sizeof(SExprDocument::Node) == 16);

SExprDocument SExprDocument::parse(const QByteArray &source, qsizetype from, qsizetype to)
{
    SExprDocument doc;
    doc.m_source = source;
    const char *s = source.constData();
    const qsizetype end = to < 0 ? source.size() : qMin(to, source.size());
    if (end > maxSourceSize) {
        doc.m_error = doc.errorAt(0, QStringLiteral("arquivo grande demais"));
        return doc;
    }

    struct Open
    {
        int list;
        int lastChild;
    };
    // KiCad's files hold a node per 5.3 to 6 bytes: one block, no copy on growth.
    // Built apart from `doc`, so that the compiler keeps its ends in registers.
    std::vector<Node> nodes;
    nodes.reserve(size_t((end - from) / 5 + 16));
    std::vector<Open> stack;
    int lastRoot = -1;
    auto add = [&](qsizetype begin, qsizetype end, Kind kind) {
        const int index = int(nodes.size());
        Node n; // whole, so that the bit fields are not read back from memory
        n.begin = qint32(begin);
        n.end = qint32(end);
        n.kind = kind;
        nodes.push_back(n);
        if (stack.empty()) {
            if (lastRoot < 0)
                doc.m_firstRoot = index;
            else
                nodes[size_t(lastRoot)].next = index;
            lastRoot = index;
        } else {
            Open &o = stack.back();
            if (o.lastChild < 0)
                nodes[size_t(o.list)].firstChild = index;
            else
                nodes[size_t(o.lastChild)].next = index;
            o.lastChild = index;
        }
        return index;
    };
    auto fail = [&](qsizetype at, const QString &message) {
        doc.m_nodes = std::move(nodes);
        doc.m_error = doc.errorAt(at, message);
        return doc;
    };
    const QString tooBig =
        QStringLiteral("elemento grande demais (mais de %1 bytes)").arg(maxTokenSize);

    qsizetype pos = from;
    while (pos < end) {
        const char c = s[pos];
        if (isBlank(c)) {
            ++pos;
        } else if (c == '\0') {
            return fail(pos, QStringLiteral("caractere nulo"));
        } else if (c == '(') {
            if (int(stack.size()) >= maxDepth)
                return fail(pos, QStringLiteral("aninhamento profundo demais (mais de %1 níveis)")
                                     .arg(maxDepth));
            const int index = add(pos, pos + 1, Kind::List);
            stack.push_back({index, -1});
            ++pos;
        } else if (c == ')') {
            if (stack.empty())
                return fail(pos, QStringLiteral("')' sem '(' correspondente"));
            nodes[size_t(stack.back().list)].end = qint32(pos + 1);
            stack.pop_back();
            ++pos;
        } else if (c == '"') {
            qsizetype i = pos + 1;
            while (i < end && s[i] != '"') {
                if (s[i] == '\0')
                    return fail(i, QStringLiteral("caractere nulo"));
                i += s[i] == '\\' ? 2 : 1;
                if (i - pos > maxTokenSize)
                    return fail(pos, tooBig);
            }
            if (i >= end)
                return fail(pos, QStringLiteral("texto sem fim: falta '\"'"));
            add(pos, i + 1, Kind::String);
            pos = i + 1;
        } else {
            qsizetype i = pos;
            const qsizetype limit = qMin(end, pos + maxTokenSize + 1);
            while (i < limit && !endsToken(s[i]))
                ++i;
            if (i - pos > maxTokenSize)
                return fail(pos, tooBig);
            const QByteArrayView token(s + pos, i - pos);
            add(pos, i, sexprIsNumber(token) ? Kind::Number : Kind::Symbol);
            pos = i;
        }
    }
    if (!stack.empty())
        return fail(end, QStringLiteral("falta ')'"));
    doc.m_nodes = std::move(nodes);
    return doc;
}

QByteArray SExprDocument::text(int i) const
{
    const QByteArrayView r = raw(i);
    if (node(i).kind != Kind::String)
        return r.toByteArray();
    return sexprUnescaped(r.sliced(1, r.size() - 2));
}

int SExprDocument::childCount(int list) const
{
    int n = 0;
    for (int c = isList(list) ? node(list).firstChild : -1; c >= 0; c = node(c).next)
        ++n;
    return n;
}

int SExprDocument::find(int list, QByteArrayView keyword) const
{
    for (int c = isList(list) ? node(list).firstChild : -1; c >= 0; c = node(c).next)
        if (isList(c) && head(c) == keyword)
            return c;
    return -1;
}

std::optional<double> SExprDocument::number(int i) const
{
    if (i < 0 || node(i).kind != Kind::Number)
        return std::nullopt;
    // from_chars: no copy, no locale; it takes no '+', which the grammar allows
    QByteArrayView t = raw(i);
    if (t.startsWith('+'))
        t = t.sliced(1);
    // Most numbers in KiCad's files are short decimals: with at most 15
    // digits both the digits and the power of ten are exact doubles, so one
    // division rounds exactly as from_chars would.
    {
        static constexpr double powersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const bool negative = t.startsWith('-');
        qint64 digits = 0;
        int count = 0, decimals = -1;
        qsizetype k = negative ? 1 : 0;
        for (; k < t.size() && count <= 15; ++k) {
            const char c = t[k];
            if (c == '.' && decimals < 0) {
                decimals = 0;
            } else if (isDigit(c)) {
                digits = digits * 10 + (c - '0');
                ++count;
                if (decimals >= 0)
                    ++decimals;
            } else {
                break;
            }
        }
        if (k == t.size() && count <= 15) {
            const double v = double(digits) / powersOfTen[qMax(decimals, 0)];
            return negative ? -v : v;
        }
    }
    double v = 0;
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (error != std::errc() || end != t.data() + t.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

QByteArray sexprUnescaped(QByteArrayView in)
{
    if (!in.contains('\\'))
        return in.toByteArray();
    QByteArray out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (c != '\\' || i + 1 >= in.size()) {
            out += c;
            continue;
        }
        const char e = in[++i];
        switch (e) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'a':
            out += '\a';
            break;
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'v':
            out += '\v';
            break;
        case '"':
            out += '"';
            break;
        case '\\':
            out += '\\';
            break;
        case 'x': {
            int v = 0, k = 0;
            while (k < 2 && i + 1 < in.size() && isxdigit(uchar(in[i + 1]))) {
                const char h = in[++i];
                v = v * 16 + (isDigit(h) ? h - '0' : (h | 0x20) - 'a' + 10);
                ++k;
            }
            if (k == 0)
                out += "\\x";
            else
                out += char(v);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                int v = e - '0', k = 1;
                while (k < 3 && i + 1 < in.size() && in[i + 1] >= '0' && in[i + 1] <= '7')
                    v = v * 8 + (in[++i] - '0'), ++k;
                out += char(v);
            } else { // unknown escapes stay as written
                out += '\\';
                out += e;
            }
        }
    }
    return out;
}

QByteArray sexprQuoted(QByteArrayView value)
{
    QByteArray out;
    out.reserve(value.size() + 2);
    out += '"';
    for (const char c : value) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\0': // only an escape can have made it
            out += "\\000";
            break;
        default:
            out += c;
        }
    }
    out += '"';
    return out;
}

namespace {

// The index of the quote closing the string opened at `open` (escapes
// skipped), or the last byte when the text ends first.
qsizetype closingQuote(QByteArrayView text, qsizetype open)
{
    qsizetype j = open + 1;
    while (j < text.size() && text[j] != '"')
        j += text[j] == '\\' ? 2 : 1;
    return qMin(j, text.size() - 1);
}

} // namespace

QByteArray sexprCompacted(QByteArrayView raw)
{
    QByteArray out;
    out.reserve(raw.size());
    auto separate = [&] {
        if (!out.isEmpty() && !out.endsWith('('))
            out += ' ';
    };
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (isBlank(c))
            continue;
        if (c == ')') {
            out += c;
        } else if (c == '(') {
            separate();
            out += c;
        } else if (c == '"') {
            separate();
            const qsizetype j = closingQuote(raw, i);
            out += raw.sliced(i, j - i + 1);
            i = j;
        } else {
            separate();
            qsizetype j = i;
            while (j + 1 < raw.size() && !endsToken(raw[j + 1]))
                ++j;
            out += raw.sliced(i, j - i + 1);
            i = j;
        }
    }
    return out;
}

QByteArray sexprPrettified(QByteArrayView in, int indent)
{
    constexpr qsizetype xyLineLimit = 99;
    QByteArray out;
    out.reserve(in.size() * 5 / 4);
    std::vector<bool> openIsXy; // per open list
    bool closedXy = false;      // the list closed last was an (xy ...)
    bool pendingBlank = false;
    qsizetype lineStart = 0;
    int depth = indent;
    out.append(indent, '\t');
    auto newLine = [&] {
        out += '\n';
        lineStart = out.size();
        out.append(depth, '\t');
    };
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (isBlank(c)) {
            pendingBlank = true;
            continue;
        }
        if (c == '(') {
            const bool xy = in.sliced(i).startsWith("(xy ");
            if (out.size() > indent) {
                if (xy && closedXy && out.endsWith(')') && out.size() - lineStart < xyLineLimit)
                    out += ' ';
                else
                    newLine();
            }
            out += '(';
            openIsXy.push_back(xy);
            ++depth;
        } else if (c == ')') {
            depth = qMax(0, depth - 1);
            if (out.endsWith(')'))
                newLine();
            out += ')';
            closedXy = !openIsXy.empty() && openIsXy.back();
            if (!openIsXy.empty())
                openIsXy.pop_back();
        } else {
            if (pendingBlank && !out.endsWith('('))
                out += ' ';
            if (c == '"') { // a string is copied whole, escapes included
                const qsizetype j = closingQuote(in, i);
                out += in.sliced(i, j - i + 1);
                i = j;
            } else {
                out += c;
                while (i + 1 < in.size() && !endsToken(in[i + 1]))
                    out += in[++i];
            }
        }
        pendingBlank = false;
    }
    return out;
}
