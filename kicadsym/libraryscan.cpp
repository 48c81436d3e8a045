#include "kicadsym/libraryscan.h"

#include <QHash>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

enum : quint8 { Blank = 1, EndsToken = 2 };
// The document reader's classes: a token ends at a blank, a parenthesis, a
// quote or a NUL.
constexpr std::array<quint8, 256> charClasses = [] {
    std::array<quint8, 256> t{};
    for (const char c : {' ', '\t', '\n', '\r', '\f', '\v'})
        t[uchar(c)] = Blank | EndsToken;
    for (const char c : {'(', ')', '"', '\0'})
        t[uchar(c)] = EndsToken;
    return t;
}();

// A keyword compared with a fixed length, which the compiler inlines.
template <size_t N> bool is(QByteArrayView t, const char (&word)[N])
{
    return t.size() == qsizetype(N - 1) && std::memcmp(t.data(), word, N - 1) == 0;
}

// The bytes a row's loop tells apart, and those that stop a string.
enum : quint8 { Word, Space, Newline, Open, Close };
constexpr std::array<quint8, 256> rowClasses = [] {
    std::array<quint8, 256> t{};
    for (const char c : {' ', '\t', '\r', '\f', '\v'})
        t[uchar(c)] = Space;
    t['\n'] = Newline;
    t['('] = Open;
    t[')'] = Close;
    return t;
}();
constexpr std::array<bool, 256> stopsString = [] {
    std::array<bool, 256> t{};
    for (const char c : {'"', '\\', '\0', '\n'})
        t[uchar(c)] = true;
    return t;
}();

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A number the builder reads and scales without fail: [+-]digits[.digits],
// at most five digits before the point, so that even in internal units
// (x 10000) it stays far inside an int. Anything else a number may be
// (exponents, long integers) is left to the builder. `t` is a bare token,
// so the byte after it ends the digits.
bool plainNumber(QByteArrayView t)
{
    const char *q = t.data();
    if (*q == '+' || *q == '-')
        ++q;
    const char *const digits = q;
    while (isDigit(*q))
        ++q;
    const qsizetype whole = q - digits;
    qsizetype fraction = 0;
    if (*q == '.') {
        const char *const from = ++q;
        while (isDigit(*q))
            ++q;
        fraction = q - from;
    }
    return q == t.data() + t.size() && whole + fraction > 0 && whole <= 5;
}

// The first byte from `p` on that is not a ' ' (a line's indentation).
const char *skipSpaces(const char *p, const char *end)
{
    while (end - p >= 8) {
        const quint64 other = qFromUnaligned<quint64>(p) ^ 0x2020202020202020u;
        if (other != 0) {
            if constexpr (std::endian::native == std::endian::little)
                return p + std::countr_zero(other) / 8;
            else
                return p + std::countl_zero(other) / 8;
        }
        p += 8;
    }
    while (*p == ' ')
        ++p;
    return p;
}

// Where a bare token from `p` ends: a blank, a parenthesis, a quote or a
// NUL. Tokens are short (keywords, numbers): four bytes a turn.
const char *bareEnd(const char *p)
{
    for (;; p += 4) {
        if (charClasses[uchar(p[0])] & EndsToken)
            return p;
        if (charClasses[uchar(p[1])] & EndsToken)
            return p + 1;
        if (charClasses[uchar(p[2])] & EndsToken)
            return p + 2;
        if (charClasses[uchar(p[3])] & EndsToken)
            return p + 3;
    }
}

// The closing quote of a string whose opening one is just before `p`, or
// null where the document reader takes none (a NUL, the end of the bytes);
// `line` counts the line ends inside.
const char *stringEnd(const char *p, const char *end, int &line)
{
    for (;;) {
#ifdef __SSE2__
        const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\'),
                      newline = _mm_set1_epi8('\n'), nul = _mm_setzero_si128();
        while (end - p >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            const __m128i marks =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)),
                             _mm_or_si128(_mm_cmpeq_epi8(v, newline), _mm_cmpeq_epi8(v, nul)));
            const int mask = _mm_movemask_epi8(marks);
            if (mask != 0) {
                p += std::countr_zero(unsigned(mask));
                break;
            }
            p += 16;
        }
#endif
        while (!stopsString[uchar(*p)])
            ++p;
        const char c = *p;
        if (c == '"')
            return p;
        if (c == '\0' || end - p <= 1)
            return nullptr; // a NUL, or the end of the bytes
        if (c == '\\') {
            line += p[1] == '\n';
            p += 2;
        } else {
            ++line;
            ++p;
        }
    }
}

// A list's values, one blank before each, that the shape wants as numbers
// and plainNumber() takes, then its ')': past the ')', else null.
template <typename Recorder>
const char *plainNumbers(const char *p, const char *shape, int count, Recorder *recorder)
{
    for (int i = 0; i < count; ++i) {
        const char code = shape[i];
        if (*p != ' ' || !(code == 'L' || code == 'T' || code == 'I' || code == 'N'))
            return nullptr;
        const char *q = ++p;
        q += *q == '+' || *q == '-';
        const char *const digits = q;
        while (isDigit(*q))
            ++q;
        const qsizetype whole = q - digits;
        qsizetype fraction = 0;
        if (*q == '.') {
            const char *const from = ++q;
            while (isDigit(*q))
                ++q;
            fraction = q - from;
        }
        if (whole + fraction == 0 || whole > 5 || (*q != ' ' && *q != ')'))
            return nullptr;
        if (recorder)
            recorder->record(p, q, 'n');
        p = q;
    }
    return *p == ')' ? p + 1 : nullptr;
}

// Up to nine digits and nothing else: an int that toInt() reads as itself.
bool smallDigits(QByteArrayView t)
{
    return !t.isEmpty() && t.size() <= 9 && std::all_of(t.begin(), t.end(), isDigit);
}

// What a list is to the builder, known from its keyword and its parent's.
enum class Ctx : quint8 {
    Pending, // its keyword is not read yet
    Other,   // kept as text by the builder: nothing inside is checked
    Leaf,    // values only, by its shape
    Top,
    PinNumbers,
    PinNames,
    Property,
    Effects,
    Font,
    Justify,
    Unit,
    Graphic,
    Pts,
    Stroke,
    Fill,
    Pin,
    PinText,
};

// One open list of a row. `shape` says what its first values must be, one
// letter each: L a length, T tenths, I a whole number of units, N a number,
// S any atom, W a bare word, Y yes or no, F a fill type, M a name (an atom,
// not ""), R a radius (a length when it is an atom), U a unit's name.
// Values after them are dispatched by their keyword (lists) or ignored.
struct Frame
{
    const char *shape = "";
    qsizetype begin = 0; // its '('
    int line = 0;        // where it begins
    int pos = 0;         // children so far, the keyword included
    int points = 0;      // a graphic's points
    quint8 shapeLen = 0;
    quint8 required = 0; // values that must be there
    quint8 needPoints = 0;
    Ctx ctx = Ctx::Pending;
    bool textBox = false;
    bool extends = false; // an (extends ...) list
};

struct ScannedRow
{
    qsizetype begin = 0, end = 0; // the list's bytes
    qsizetype extendsBegin = -1;  // of its first (extends ...) list
    QByteArray name, extends;
    int line = 0;
    bool doubtful = false; // the builder decides
};

class Scanner
{
public:
    explicit Scanner(const QByteArray &bytes) : b(bytes), s(bytes.constData()), n(bytes.size()) {}

    std::optional<KicadSymLibrary> run();

private:
    const QByteArray &b;
    const char *const s;
    const qsizetype n;
    qsizetype pos = 0;
    int line = 1;
    // The open lists of a row, frames[0] standing for the library below it.
    std::vector<Frame> frameStore = std::vector<Frame>(size_t(SExprDocument::maxDepth));
    Frame *const frames = frameStore.data();
    int depth = 0;
    std::vector<ScannedRow> rows;
    ScannedRow *current = nullptr; // the row being scanned
    // The last (effects ...), (stroke ...) and (fill ...) lists found good,
    // with their line ends: KiCad repeats them all over a file, and such a
    // list reads the same wherever it stands, so the same bytes need no
    // second look.
    struct Known
    {
        QByteArrayView text;
        int lines = 0;
    };
    std::array<Known, 3> known;
    static int knownSlot(Ctx ctx)
    {
        return ctx == Ctx::Effects ? 0 : ctx == Ctx::Stroke ? 1 : ctx == Ctx::Fill ? 2 : -1;
    }
    // The list just resolved is one already known: skipped whole.
    bool skipKnown(const Frame &f)
    {
        const Known &k = known[size_t(knownSlot(f.ctx))];
        if (k.text.isEmpty() || f.begin + k.text.size() > n ||
            std::memcmp(s + f.begin, k.text.data(), size_t(k.text.size())) != 0)
            return false;
        pos = f.begin + k.text.size();
        line = f.line + k.lines;
        --depth;
        return true;
    }
    KicadSymLibrary lib;
    bool failed = false; // the scan does not vouch for the file

    // The last (pin ...) found good, and where its values stand in it: a
    // pin reads the same as that one when only those values differ, each
    // still one the builder takes there. Pins are most of a library's bytes
    // and differ in little more than their place, name and number.
    struct Value
    {
        int begin, end; // from the pin's '('
        char kind;      // n a plain number, w a bare word, a any atom
    };
    struct Model
    {
        QByteArrayView text;
        std::vector<Value> values;
        int lines = 0;
    };
    Model pin;
    std::vector<Value> recorded;
    int recordDepth = 0; // of the pin whose values are being recorded
    bool skipLikePin(const Frame &f);

public:
    void record(const char *from, const char *to, char kind)
    {
        if (recordDepth > 0)
            recorded.push_back({int(from - s - frames[recordDepth].begin),
                                int(to - s - frames[recordDepth].begin), kind});
    }

    bool blank(char c) const { return charClasses[uchar(c)] & Blank; }
    void skipBlanks()
    {
        while (blank(s[pos])) {
            line += s[pos] == '\n';
            ++pos;
        }
    }
    // The token at `pos` (bare or quoted), or false where there is none that
    // the document reader takes.
    Q_ALWAYS_INLINE bool token(QByteArrayView &t, bool &quoted);
    bool skipList();
    bool header(qsizetype begin);
    bool row(qsizetype begin);
    void atom(const Frame &f, int k, QByteArrayView t, bool quoted);
    void openList();
    void closeList();
    void resolve(QByteArrayView head);
    bool valueOk(char code, QByteArrayView t, bool quoted) const;
    void doubt() { current->doubtful = true; }
};

bool Scanner::token(QByteArrayView &t, bool &quoted)
{
    const qsizetype from = pos;
    if (s[pos] == '"') {
        qsizetype i = pos + 1;
        for (;;) {
            while (!stopsString[uchar(s[i])])
                ++i;
            const char c = s[i];
            if (c == '"')
                break;
            if (c == '\0' || i + 1 >= n)
                return false; // a NUL, or the end of the bytes
            if (c == '\\') {
                if (s[i + 1] == '\n')
                    ++line;
                i += 2;
            } else {
                ++line;
                ++i;
            }
        }
        if (i >= n || i - from > SExprDocument::maxTokenSize)
            return false;
        pos = i + 1;
        quoted = true;
    } else {
        qsizetype i = pos;
        while (!(charClasses[uchar(s[i])] & EndsToken))
            ++i;
        if (i == from || i - from > SExprDocument::maxTokenSize)
            return false; // a NUL
        pos = i;
        quoted = false;
    }
    t = QByteArrayView(s + from, pos - from);
    return true;
}

// The rest of a list whose '(' is read: its structure only.
bool Scanner::skipList()
{
    int depth = 1;
    while (depth > 0) {
        skipBlanks();
        if (pos >= n)
            return false;
        if (s[pos] == '(') {
            if (++depth >= SExprDocument::maxDepth - 1)
                return false;
            ++pos;
        } else if (s[pos] == ')') {
            --depth;
            ++pos;
        } else {
            QByteArrayView t;
            bool quoted;
            if (!token(t, quoted))
                return false;
        }
    }
    return true;
}

// A list of the library's own (version, generator, ...), read as the
// document reader reads it: such lists are few and short.
bool Scanner::header(qsizetype begin)
{
    if (!skipList())
        return false;
    const SExprDocument doc = SExprDocument::parse(b, begin, pos);
    if (!doc.ok())
        return false;
    const int c = doc.firstRoot();
    const QByteArrayView h = doc.head(c);
    if (is(h, "version")) {
        const std::optional<double> v = doc.number(doc.child(c, 1));
        if (!v || *v < 0 || *v > 99999999)
            return false;
        lib.version = int(*v);
    } else if (is(h, "generator") && doc.isAtom(doc.child(c, 1))) {
        lib.generator = doc.text(doc.child(c, 1));
    } else if (is(h, "generator_version") && doc.isAtom(doc.child(c, 1))) {
        lib.generatorVersion = doc.text(doc.child(c, 1));
    } else {
        lib.headerExtra << doc.raw(c).toByteArray();
    }
    return true;
}

bool Scanner::valueOk(char code, QByteArrayView t, bool quoted) const
{
    switch (code) {
    case 'L':
    case 'T':
    case 'I':
    case 'N':
    case 'R':
        return !quoted && plainNumber(t);
    case 'W':
        return !quoted;
    case 'Y':
        return !quoted && (is(t, "yes") || is(t, "no"));
    case 'F':
        return !quoted &&
               (is(t, "none") || is(t, "outline") || is(t, "background") || is(t, "color"));
    case 'M':
        return t != "\"\"";
    case 'U': {
        // NAME_U_C, NAME being the symbol's: the builder decides escapes.
        const QByteArrayView text = quoted ? t.sliced(1, t.size() - 2) : t;
        const QByteArray &name = rows.back().name;
        if (text.contains('\\') || text.size() < name.size() + 4 || !text.startsWith(name) ||
            text[name.size()] != '_')
            return false;
        const QByteArrayView rest = text.sliced(name.size() + 1);
        const qsizetype cut = rest.indexOf('_');
        return cut > 0 && smallDigits(rest.first(cut)) && smallDigits(rest.sliced(cut + 1));
    }
    default: // S
        return true;
    }
}

// A value the list's shape names, the k-th child.
void Scanner::atom(const Frame &f, int k, QByteArrayView t, bool quoted)
{
    const char code = f.shape[k - 1];
    if (!valueOk(code, t, quoted)) {
        if (f.ctx == Ctx::Top || f.extends)
            failed = true; // no name: the document reader says so
        doubt();
        return;
    }
    if (recordDepth > 0) {
        const char kind = code == 'W'                  ? 'w'
                          : code == 'S'                ? 'a'
                          : std::strchr("LTINR", code) ? 'n'
                                                       : 0;
        // A value over lines is kept as it is: the lines counted must not change.
        if (kind && !(quoted && t.contains('\n')))
            record(t.data(), t.data() + t.size(), kind);
    }
    if (f.ctx == Ctx::Top && k == 1) {
        current->name = quoted ? sexprUnescaped(t.sliced(1, t.size() - 2)) : t.toByteArray();
    } else if (f.extends && k == 1 && current->extends.isEmpty()) {
        current->extends = quoted ? sexprUnescaped(t.sliced(1, t.size() - 2)) : t.toByteArray();
    }
}

void Scanner::openList()
{
    Frame &f = frames[depth];
    const int k = f.pos++;
    if (f.ctx == Ctx::Pending)
        resolve({});
    else if ((k <= f.shapeLen && f.shape[k - 1] != 'R') ||
             (k > f.shapeLen && f.ctx == Ctx::Justify))
        doubt(); // an atom was wanted
    Frame &child = frames[++depth];
    child = Frame();
    child.begin = pos - 1;
    child.line = line;
}

void Scanner::closeList()
{
    Frame &f = frames[depth];
    if (f.ctx == Ctx::Pending)
        resolve({});
    if (f.pos - 1 < f.required || (f.ctx == Ctx::Graphic && f.points < f.needPoints))
        doubt();
    if (const int slot = knownSlot(f.ctx); slot >= 0 && !current->doubtful)
        known[size_t(slot)] = {QByteArrayView(s + f.begin, pos - f.begin), line - f.line};
    if (depth == recordDepth) {
        if (!current->doubtful) {
            Model &m = pin;
            m.values.swap(recorded);
            m.text = QByteArrayView(s + f.begin, pos - f.begin);
            m.lines = line - f.line;
        }
        recordDepth = 0;
    }
    --depth;
}

// The list on top of the stack has its keyword `head` (empty: none).
void Scanner::resolve(QByteArrayView h)
{
    const size_t top = size_t(depth);
    Frame &f = frames[top];
    Frame &parent = frames[top - 1];
    const int k = parent.pos - 1; // where the list stands in its parent
    auto leaf = [&]<size_t N>(const char(&shape)[N], int required) {
        f.ctx = Ctx::Leaf;
        f.shape = shape;
        f.shapeLen = quint8(N - 1);
        f.required = quint8(required);
    };
    auto with = [&]<size_t N = 1>(Ctx ctx, const char(&shape)[N] = "", int required = 0)
    {
        leaf(shape, required);
        f.ctx = ctx;
    };
    f.ctx = Ctx::Other;
    if (h.isEmpty() || k <= parent.shapeLen) {
        if (parent.ctx == Ctx::Pts && k > 0)
            doubt(); // (pts ...) holds (xy ...) lists only
        return;
    }
    switch (parent.ctx) {
    case Ctx::Top:
        if (is(h, "extends")) {
            leaf("M", 1);
            f.extends = true;
            if (current->extendsBegin < 0)
                current->extendsBegin = f.begin;
        } else if (is(h, "property")) {
            with(Ctx::Property, "SS", 2);
        } else if (is(h, "symbol")) {
            with(Ctx::Unit, "U", 1);
        } else if (is(h, "pin_names")) {
            with(Ctx::PinNames);
        } else if (is(h, "pin_numbers")) {
            with(Ctx::PinNumbers);
        } else if (is(h, "in_bom") || is(h, "on_board") || is(h, "exclude_from_sim")) {
            leaf("Y", 1);
        } else if (is(h, "power")) {
            leaf("W", 0);
        }
        break;
    case Ctx::PinNames:
        if (is(h, "offset"))
            leaf("L", 1);
        else if (is(h, "hide"))
            leaf("Y", 0);
        break;
    case Ctx::PinNumbers:
        if (is(h, "hide"))
            leaf("Y", 0);
        break;
    case Ctx::Property:
        if (is(h, "effects"))
            with(Ctx::Effects);
        else if (is(h, "at"))
            leaf("LLT", 3);
        else if (is(h, "id"))
            leaf("I", 1);
        else if (is(h, "hide"))
            leaf("Y", 0);
        break;
    case Ctx::Effects:
        if (is(h, "font"))
            with(Ctx::Font);
        else if (is(h, "justify"))
            with(Ctx::Justify);
        else if (is(h, "hide"))
            leaf("Y", 0);
        break;
    case Ctx::Font:
        if (is(h, "size"))
            leaf("LL", 2);
        else if (is(h, "bold") || is(h, "italic"))
            leaf("Y", 1);
        break;
    case Ctx::Unit: {
        const bool text = is(h, "text"), textBox = is(h, "text_box");
        const int points = is(h, "arc")                           ? 3
                           : is(h, "rectangle") || textBox        ? 2
                           : is(h, "circle") || text              ? 1
                           : is(h, "polyline") || is(h, "bezier") ? 0
                                                                  : -1;
        if (points >= 0) {
            if (text || textBox)
                with(Ctx::Graphic, "S", 1);
            else
                with(Ctx::Graphic);
            f.needPoints = quint8(points);
            f.textBox = textBox;
        } else if (is(h, "pin")) {
            with(Ctx::Pin, "WW", 2);
            if (skipLikePin(f))
                return;
            recordDepth = depth;
            recorded.clear();
        } else if (is(h, "unit_name")) {
            leaf("S", 1);
        }
        break;
    }
    case Ctx::Graphic:
        if (is(h, "start") || is(h, "end") || is(h, "mid") || is(h, "center") ||
            (is(h, "size") && parent.textBox)) {
            leaf("LL", 2);
            ++parent.points;
        } else if (is(h, "stroke")) {
            with(Ctx::Stroke);
        } else if (is(h, "fill")) {
            with(Ctx::Fill);
        } else if (is(h, "pts")) {
            with(Ctx::Pts);
        } else if (is(h, "at")) {
            leaf("LLI", 3);
            ++parent.points;
        } else if (is(h, "radius")) {
            leaf("R", 0);
        } else if (is(h, "effects")) {
            with(Ctx::Effects);
        }
        break;
    case Ctx::Pts:
        if (is(h, "xy")) {
            leaf("LL", 2);
            ++frames[top - 2].points;
        } else {
            doubt();
        }
        break;
    case Ctx::Stroke:
        if (is(h, "width"))
            leaf("L", 1);
        else if (is(h, "type"))
            leaf("W", 1);
        else if (is(h, "color"))
            leaf("IIIN", 4);
        break;
    case Ctx::Fill:
        if (is(h, "type"))
            leaf("F", 1);
        else if (is(h, "color"))
            leaf("IIIN", 4);
        break;
    case Ctx::Pin:
        if (is(h, "at"))
            leaf("LLT", 3);
        else if (is(h, "length"))
            leaf("L", 1);
        else if (is(h, "name") || is(h, "number"))
            with(Ctx::PinText, "S", 1);
        else if (is(h, "hide"))
            leaf("Y", 0);
        else if (is(h, "alternate"))
            leaf("SWW", 3);
        break;
    case Ctx::PinText:
        if (is(h, "effects"))
            with(Ctx::Effects);
        break;
    default: // inside text kept as it is, or values past a leaf's shape
        break;
    }
    if (knownSlot(f.ctx) >= 0)
        skipKnown(f);
}

// The pin whose keyword was just read is the last good one but for its
// values: skipped whole. Bytes are compared eight at a time; where they
// differ, the new value must be whole and of the kind found there.
bool Scanner::skipLikePin(const Frame &f)
{
    const Model &m = pin;
    if (m.text.isEmpty())
        return false;
    const char *a = s + f.begin;
    const char *const end = s + n;
    const char *const t0 = m.text.data();
    const char *t = t0;
    const char *const tEnd = t0 + m.text.size();
    size_t next = 0; // the first value not yet taken
    while (t < tEnd) {
        if (tEnd - t >= 8 && end - a >= 8) {
            const quint64 x = qFromUnaligned<quint64>(a) ^ qFromUnaligned<quint64>(t);
            if (x == 0) {
                a += 8;
                t += 8;
                continue;
            }
            if constexpr (std::endian::native == std::endian::little) {
                const int same = std::countr_zero(x) / 8;
                a += same;
                t += same;
            }
        }
        if (*a == *t) {
            ++a;
            ++t;
            continue;
        }
        // The value holding (or ending at) the first differing byte.
        const int at = int(t - t0);
        while (next < m.values.size() && m.values[next].end < at)
            ++next;
        if (next == m.values.size() || m.values[next].begin > at)
            return false;
        const Value v = m.values[next++];
        // Back to the value's start, the same in both since all before it is.
        a -= at - v.begin;
        t = t0 + v.end;
        const char *const from = a;
        if (v.kind == 'n') {
            a += *a == '+' || *a == '-';
            const char *const digits = a;
            while (isDigit(*a))
                ++a;
            const qsizetype whole = a - digits;
            qsizetype fraction = 0;
            if (*a == '.') {
                const char *const point = ++a;
                while (isDigit(*a))
                    ++a;
                fraction = a - point;
            }
            if (whole + fraction == 0 || whole > 5 || !(charClasses[uchar(*a)] & EndsToken))
                return false;
        } else if (*a == '"') {
            if (v.kind == 'w')
                return false;
            ++a;
            while (!stopsString[uchar(*a)])
                ++a;
            if (*a != '"')
                return false; // escapes and line ends: the long way
            ++a;
        } else {
            a = bareEnd(a);
            if (a == from)
                return false;
        }
        if (a - from > SExprDocument::maxTokenSize)
            return false;
    }
    pos = a - s;
    line = f.line + m.lines;
    --depth;
    return true;
}

// From the '(' of a (symbol ...) row through its ')'. The loop keeps its
// place and line in locals, handing them to the list bookkeeping only at a
// parenthesis or a list's keyword.
bool Scanner::row(qsizetype begin)
{
    current = &rows.emplace_back();
    current->begin = begin;
    frames[0] = Frame();
    frames[0].ctx = Ctx::Other;
    Frame &top = frames[1];
    top = Frame();
    top.ctx = Ctx::Top;
    top.shape = "M";
    top.shapeLen = 1;
    top.required = 1;
    top.pos = 1; // its keyword is read
    depth = 1;
    recordDepth = 0;
    const char *p = s + pos;
    const char *const end = s + n;
    int ln = line;
    // No bound checks: the NUL that ends the bytes stops every loop here.
    for (;;) {
        switch (rowClasses[uchar(*p)]) {
        case Space:
            do
                ++p;
            while (rowClasses[uchar(*p)] == Space);
            break;
        case Newline:
            ++ln;
            ++p;
            p = skipSpaces(p, end);
            break;
        case Open:
            if (depth >= SExprDocument::maxDepth - 3)
                return false;
            pos = ++p - s;
            line = ln;
            openList();
            if (!(charClasses[uchar(*p)] & EndsToken))
                goto word; // the list's keyword, straight after its '('
            break;
        case Close:
            pos = ++p - s;
            line = ln;
            closeList();
            if (depth == 0) {
                current->end = pos;
                return !current->name.isEmpty();
            }
            if (*p == '\n') { // the usual line end after a list
                ++ln;
                p = skipSpaces(p + 1, end);
            }
            break;
        default: {
        word:
            const char *const from = p;
            bool quoted;
            if (*p == '"') {
                p = stringEnd(p + 1, end, ln);
                if (!p)
                    return false;
                ++p;
                quoted = true;
            } else {
                p = bareEnd(p);
                if (p == from)
                    return false; // a NUL
                quoted = false;
            }
            if (p - from > SExprDocument::maxTokenSize)
                return false;
            const QByteArrayView t(from, p - from);
            Frame &f = frames[depth];
            const int k = f.pos++;
            if (f.ctx == Ctx::Pending) {
                pos = p - s;
                line = ln;
                resolve(quoted ? QByteArrayView() : t);
                p = s + pos; // a known list skipped whole
                ln = line;
                if (f.ctx == Ctx::Leaf && f.shapeLen > 0) {
                    // (at x y angle) and its like, read whole when plain
                    if (const char *after = plainNumbers(p, f.shape, f.shapeLen,
                                                         recordDepth > 0 ? this : nullptr)) {
                        p = after;
                        f.pos += f.shapeLen;
                        --depth;
                        if (*p == '\n') {
                            ++ln;
                            p = skipSpaces(p + 1, end);
                        }
                        break;
                    }
                }
            } else if (k <= f.shapeLen) {
                atom(f, k, t, quoted);
                if (failed)
                    return false;
            } else if ((f.ctx == Ctx::Justify && quoted) || f.ctx == Ctx::Pts) {
                doubt();
            }
            p += *p == ' '; // the usual blank between two values
        }
        }
    }
}

std::optional<KicadSymLibrary> Scanner::run()
{
    if (n > SExprDocument::maxSourceSize)
        return std::nullopt;
    QByteArrayView t;
    bool quoted = false;
    skipBlanks();
    if (pos >= n || s[pos] != '(')
        return std::nullopt;
    ++pos;
    skipBlanks();
    if (pos >= n || !token(t, quoted) || quoted || !is(t, "kicad_symbol_lib"))
        return std::nullopt;
    for (;;) {
        skipBlanks();
        if (pos >= n)
            return std::nullopt;
        if (s[pos] == ')')
            break;
        if (s[pos] != '(')
            return std::nullopt; // an atom among the library's lists
        const qsizetype begin = pos++;
        const int beginLine = line;
        skipBlanks();
        if (pos < n && s[pos] != '(' && s[pos] != ')' && s[pos] != '"' && token(t, quoted) &&
            is(t, "symbol")) {
            if (!row(begin))
                return std::nullopt;
            rows.back().line = beginLine;
        } else {
            pos = begin + 1;
            line = beginLine;
            if (!header(begin))
                return std::nullopt;
        }
    }
    ++pos;
    skipBlanks();
    if (pos != n)
        return std::nullopt; // text after the library

    // Names once each; a row the scan doubts is built to decide.
    QHash<QByteArray, int> names;
    names.reserve(qsizetype(rows.size()));
    for (const ScannedRow &r : rows) {
        if (names.contains(r.name))
            return std::nullopt;
        names.insert(r.name, 0);
        if (r.doubtful) {
            const SExprDocument doc = SExprDocument::parse(b, r.begin, r.end);
            if (!doc.ok() || !buildSymbol(doc, doc.firstRoot()).ok())
                return std::nullopt;
        }
    }

    // Each row from its line's start when only blanks come before it there,
    // through its line end: as the document reader cuts them.
    auto lineBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    qsizetype previousEnd = -1;
    lib.rows.reserve(qsizetype(rows.size()));
    for (ScannedRow &r : rows) {
        qsizetype start = r.begin;
        while (start > qMax<qsizetype>(previousEnd, 0) && lineBlank(s[start - 1]))
            --start;
        if (!(start == 0 || s[start - 1] == '\n'))
            start = r.begin;
        qsizetype end = r.end, e = end;
        while (e < n && lineBlank(s[e]))
            ++e;
        if (e < n && s[e] == '\n')
            end = e + 1;
        KicadSymRow row;
        row.name = std::move(r.name);
        row.extends = std::move(r.extends);
        row.line = r.line;
        if (r.extendsBegin >= 0)
            row.extendsOffset = int(r.extendsBegin - start);
        if (previousEnd < 0)
            lib.head = b.left(start);
        else
            row.leading = b.mid(previousEnd, start - previousEnd);
        row.text = b.mid(start, end - start);
        row.version = lib.version;
        row.checked = true;
        lib.rows << std::move(row);
        previousEnd = end;
    }
    if (previousEnd < 0)
        lib.head = b;
    else
        lib.tail = b.mid(previousEnd);
    for (KicadSymRow &row : lib.rows)
        row.version = lib.version; // the version may follow the rows
    return std::move(lib);
}

} // namespace

std::optional<KicadSymLibrary> scanKicadSym(const QByteArray &bytes)
{
    // The scan leans on the NUL after the bytes, which Qt puts after its own
    // arrays but not after raw data it was lent.
    if (bytes.capacity() < bytes.size())
        return Scanner(QByteArray(bytes.constData(), bytes.size())).run();
    return Scanner(bytes).run();
}
