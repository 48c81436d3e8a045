// Fuzz target: the library reader on arbitrary file bytes, then the writer,
// then the reader again.
//
// What must survive the round trip: every component of the first load, in
// the same order, with the same name and the same line list (the lines as
// the command editor shows them). The writer puts out line lists (each line
// ended by CR LF) rather than the stored text, so texts are compared as line
// lists, not as bytes: the first load's text ends each line with a lone CR,
// the second load's text is the same lines again each ended by CR.
//
// Differences that are legitimate and not checked:
// - lines outside DEF ... ENDDEF blocks (the header, comments, anything
//   before the first DEF or between blocks) are not part of any component
//   and are not written back;
// - CR LF, lone CR and lone LF in the file all become the same line break,
//   and whatever followed a Ctrl-Z was never read.
// The name is not compared with the DEF line: both loads take it from the
// same first line of the block, so equal line lists with unequal names would
// be a reader fault, which the name comparison catches.
//
// Finally the second table written again gives the very bytes of the first
// writing: writing is a fixed point after one round.
#include "fuzzcheck.h"
#include "library/componenttable.h"
#include "library/libraryfile.h"
#include "library/linelist.h"

#include <QBuffer>
#include <QDateTime>

namespace {

QByteArray grava(const ComponentTable &t, const QDateTime &quando)
{
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    const FileResult r = gravaBiblioteca(out, t, quando);
    FUZZ_CHECK(r.ok);
    return bytes;
}

FileResult le(const QByteArray &bytes, ComponentTable &t)
{
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    const FileResult r = leBiblioteca(in, t);
    FUZZ_CHECK(r.ok);
    return r;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray arquivo = fuzzBytes(data, size);
    const QDateTime quando(QDate(2024, 5, 17), QTime(13, 45, 30));

    ComponentTable primeira;
    le(arquivo, primeira);
    const QByteArray escrito = grava(primeira, quando);
    FUZZ_CHECK(escrito.startsWith(cabecalhoBiblioteca(quando) + "\r\n"));

    ComponentTable segunda;
    // A component that a DEF line closed has no ENDDEF: written last, it
    // leaves the file ending inside a block, which the second load leaves
    // out. Every other component comes back.
    const bool cortado = !le(escrito, segunda).unfinished.isEmpty();
    FUZZ_CHECK(segunda.rowCount() == primeira.rowCount() - (cortado ? 1 : 0));
    for (int r = 0; r < segunda.rowCount(); ++r) {
        FUZZ_CHECK(segunda.nameAt(r) == primeira.nameAt(r));
        const QList<QByteArray> antes = linhas(primeira.comandosAt(r));
        const QList<QByteArray> depois = linhas(segunda.comandosAt(r));
        FUZZ_CHECK(depois == antes);
        // Every component starts with its DEF line and keeps at least it.
        FUZZ_CHECK(!antes.isEmpty());
        FUZZ_CHECK(primeira.nameAt(r).size() <= ComponentTable::MaxNameBytes);
    }
    if (cortado)
        FUZZ_CHECK(escrito.startsWith(grava(segunda, quando)));
    else
        FUZZ_CHECK(grava(segunda, quando) == escrito);
    return 0;
}
