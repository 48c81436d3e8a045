// Fuzz target: the .kicad_sym library reader and the symbol model.
//
// The bytes are read as a library and, apart, as one symbol's text. What
// must hold:
// - a library that reads is written back, in its own version, byte for byte;
// - every symbol of it builds a model, and the model written in each of the
//   four versions written reads again into a model that writes the same text
//   (writing is a fixed point after one pass);
// - a failure is an error inside the input, with line and column from 1;
// - a file the quick scan vouches for reads with the document reader, and
//   both cut it alike.
#include "fuzzcheck.h"
#include "kicadsym/kicadsymlibrary.h"
#include "kicadsym/libraryscan.h"

namespace {

void checkError(const SExprError &e, qsizetype size, int firstLine = 1)
{
    FUZZ_CHECK(!e.isNull() && e.line >= firstLine && e.column >= 1 && e.offset <= size);
    FUZZ_CHECK(!e.message.isEmpty());
}

void checkModel(const Symbol &symbol)
{
    using namespace KicadSymVersion;
    for (const int v : {v6, v7, v8, v9}) {
        const QByteArray text = symbolText(symbol, v);
        const SymbolBuild again = buildSymbol(text);
        FUZZ_CHECK(again.ok());
        FUZZ_CHECK(symbolText(again.symbol, v) == text);
        FUZZ_CHECK(again.symbol.name == symbol.name && again.symbol.extends == symbol.extends);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzzBytes(data, size);
    const KicadSymRead r = readKicadSym(bytes);
    if (!r.ok()) {
        for (const KicadSymError &e : r.errors)
            checkError(e.error, bytes.size());
    } else {
        using namespace KicadSymVersion;
        const int v = r.library.version;
        if (v == v6 || v == v7 || v == v8 || v == v9) {
            const KicadSymWrite w = writeKicadSym(r.library, v);
            FUZZ_CHECK(w.error.isEmpty() && w.bytes == bytes);
        }
        for (qsizetype i = 0; i < r.library.rows.size(); ++i) {
            const SymbolBuild b = r.library.symbol(i);
            FUZZ_CHECK(b.ok() && b.symbol.name == r.library.rows[i].name);
            checkModel(b.symbol);
        }
    }
    if (const std::optional<KicadSymLibrary> scan = scanKicadSym(bytes)) {
        const KicadSymRead doc = readKicadSymDocument(bytes);
        FUZZ_CHECK(doc.ok());
        const KicadSymLibrary &a = *scan, &b = doc.library;
        FUZZ_CHECK(a.version == b.version && a.generator == b.generator &&
                   a.generatorVersion == b.generatorVersion && a.headerExtra == b.headerExtra &&
                   a.head == b.head && a.tail == b.tail && a.rows.size() == b.rows.size());
        for (qsizetype i = 0; i < a.rows.size(); ++i) {
            const KicadSymRow &x = a.rows[i], &y = b.rows[i];
            FUZZ_CHECK(x.name == y.name && x.extends == y.extends && x.text == y.text &&
                       x.leading == y.leading && x.line == y.line &&
                       x.extendsOffset == y.extendsOffset);
        }
    }
    const SymbolBuild one = buildSymbol(bytes);
    if (one.ok())
        checkModel(one.symbol);
    else
        checkError(one.error, bytes.size());
    return 0;
}
