// Fuzz target: the S-expression reader and the KiCad 8 layout.
//
// What must hold for any bytes:
// - reading stops with an error whose offset lies inside the input and whose
//   line and column count from 1, or succeeds;
// - read, every node lies inside the input, lists are the bytes from '(' to
//   ')', and a list's children lie inside it, in order;
// - the compact text reads again into as many nodes, and laying it out
//   (KiCad 8's layout) and compacting that gives the compact text back.
#include "fuzzcheck.h"
#include "sexpr/sexpr.h"

namespace {

void checkNodes(const SExprDocument &doc)
{
    const qsizetype size = doc.source().size();
    for (int i = 0; i < doc.nodeCount(); ++i) {
        const SExprDocument::Node &n = doc.node(i);
        FUZZ_CHECK(0 <= n.begin && n.begin < n.end && n.end <= size);
        if (n.kind == SExprDocument::Kind::List) {
            FUZZ_CHECK(doc.raw(i).startsWith('(') && doc.raw(i).endsWith(')'));
            qint32 after = n.begin;
            for (int c = n.firstChild; c >= 0; c = doc.node(c).next) {
                FUZZ_CHECK(doc.node(c).begin > after && doc.node(c).end < n.end);
                after = doc.node(c).end - 1;
            }
        } else if (n.kind == SExprDocument::Kind::String) {
            FUZZ_CHECK(doc.raw(i).size() >= 2 && doc.raw(i).startsWith('"'));
            // quoting the value and reading it again gives the value back
            const SExprDocument again = SExprDocument::parse(sexprQuoted(doc.text(i)));
            FUZZ_CHECK(again.ok() && again.text(again.firstRoot()) == doc.text(i));
        } else if (n.kind == SExprDocument::Kind::Number) {
            FUZZ_CHECK(sexprIsNumber(doc.raw(i)));
        }
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
    const SExprDocument doc = SExprDocument::parse(bytes);
    if (!doc.ok()) {
        const SExprError &e = doc.error();
        FUZZ_CHECK(e.offset >= 0 && e.offset <= bytes.size() && e.line >= 1 && e.column >= 1);
        FUZZ_CHECK(!e.message.isEmpty());
        return 0;
    }
    checkNodes(doc);
    const QByteArray compact = sexprCompacted(bytes);
    const SExprDocument again = SExprDocument::parse(compact);
    FUZZ_CHECK(again.ok() && again.nodeCount() == doc.nodeCount());
    FUZZ_CHECK(sexprCompacted(sexprPrettified(compact)) == compact);
    return 0;
}
