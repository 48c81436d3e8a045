// A description belongs to its component: renames, copies and deletions
// that make names coincide keep every other component's .dcm entry, and a
// rename reaches the DEF and F1 lines so that it survives a save.

#include "edit/componentedit.h"
#include "library/componenttablemodel.h"
#include "library/librarydocument.h"
#include "tests/footprint/tablelines.h"

#include <QBuffer>
#include <gtest/gtest.h>

#include <functional>

namespace {

using Field = ComponentTable::Field;

QByteArray part(const QByteArray &name, const QByteArray &body = {})
{
    return "DEF " + name + " U 0 40 Y Y 1 F N\rF0 \"U\" 0 0 50 H V C CNN\rF1 \"" + name +
           "\" 0 0 50 H V C CNN\r" + body + "ENDDEF\r";
}

void describe(LibraryDocument &doc, const QByteArray &how,
              std::initializer_list<const char *> names)
{
    for (const char *n : names)
        doc.descricoes().acrescenta(Descricao::nova(n, how + n, "", ""));
}

// The .dcm the document would save: each entry as "NAME=D".
QList<QByteArray> savedDcm(LibraryDocument &doc)
{
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    gravaDescricoes(out, componentesDe(doc.table()), doc.descricoes());
    QList<QByteArray> entries;
    for (const Descricao &e : leDescricoes(bytes).descricoes.entradas())
        entries << e.nome().toByteArray() + "=" + e.descricao().toByteArray();
    return entries;
}

struct OwnerCase
{
    const char *what;
    std::function<void(LibraryDocument &edit, LibraryDocument &search)> act;
    QList<QByteArray> saved;
};

class DescriptionOwners : public ::testing::TestWithParam<OwnerCase>
{
};

// The edit library holds A and B (B also as "dev-A"), each described; the
// search library offers C, whose alias is A.
TEST_P(DescriptionOwners, NoOperationDropsAnotherComponentsEntry)
{
    LibraryDocument edit, search;
    preenche(edit.table(), {{"A", part("A")}, {"dev-A", part("dev-A")}});
    describe(edit, "about ", {"A", "dev-A"});
    preenche(search.table(), {{"C", part("C", "ALIAS A\r")}});
    describe(search, "search ", {"C", "A"});
    const QList<QByteArray> before = savedDcm(edit);
    const int mark = edit.historico().index();
    GetParam().act(edit, search);
    EXPECT_EQ(savedDcm(edit), GetParam().saved);
    while (edit.historico().index() > mark)
        edit.desfaz();
    EXPECT_EQ(savedDcm(edit), before);
}

INSTANTIATE_TEST_SUITE_P(
    Collisions, DescriptionOwners,
    ::testing::Values(OwnerCase{"grid_rename_onto_a_name",
                                [](LibraryDocument &edit, LibraryDocument &) {
                                    ComponentTableModel model(edit.table(), true);
                                    model.setData(model.index(1, 0), QStringLiteral("A"),
                                                  Qt::EditRole);
                                    edit.table().storePending();
                                },
                                {"A=about dev-A", "A=about A"}},
                      OwnerCase{"prefix_removal",
                                [](LibraryDocument &edit, LibraryDocument &) {
                                    edit.setTitulo(QStringLiteral("/x/dev.lib"));
                                    tiraPrefixo(edit);
                                },
                                {"A=about dev-A", "A=about A"}},
                      OwnerCase{"copied_alias_names_a_component",
                                [](LibraryDocument &edit, LibraryDocument &search) {
                                    ScriptedDialogs dialogs;
                                    copiaComponente(search, edit, dialogs);
                                },
                                {"A=search A", "A=about A", "C=search C", "dev-A=about dev-A"}},
                      OwnerCase{"one_of_two_same_names_deleted",
                                [](LibraryDocument &edit, LibraryDocument &) {
                                    edit.table().moveTo(1);
                                    edit.table().edit();
                                    edit.table().setField(Field::Nome, "A");
                                    edit.table().post();
                                    apagaComponente(edit);
                                },
                                {"A=about A"}}),
    [](const auto &info) { return std::string(info.param.what); });

} // namespace

namespace {

// "Renomear" on a clash: the copy is renamed in its DEF and F1 lines, and its
// alias, which the original holds too, takes the same suffix; each entry
// goes with its own component.
TEST(RenamedCopy, AliasesThatWouldClashTakeTheSuffixWithTheirEntries)
{
    LibraryDocument edit, search;
    preenche(edit.table(), {{"74HC237", part("74HC237", "ALIAS 74HCT237 74X\r")}});
    describe(edit, "about ", {"74HC237", "74HCT237"});
    preenche(search.table(), {{"74HC237", part("74HC237", "ALIAS 74HCT237 74X\r")}});
    describe(search, "search ", {"74HC237", "74HCT237", "74X"});
    ScriptedDialogs dialogs;
    dialogs.clashAnswers.enqueue({Dialogs::Clash::Rename, false});
    EXPECT_EQ(copiaComponentes(search, {0}, edit, dialogs).copiados, 1);
    ASSERT_EQ(edit.table().rowCount(), 2);
    EXPECT_EQ(edit.table().nameAt(1), "74HC237_1");
    EXPECT_EQ(edit.table().comandosAt(1), part("74HC237_1", "ALIAS 74HCT237_1 74X_1\r"));
    EXPECT_EQ(savedDcm(edit),
              (QList<QByteArray>{"74HC237=about 74HC237", "74HCT237=about 74HCT237",
                                 "74HC237_1=search 74HC237", "74HCT237_1=search 74HCT237",
                                 "74X_1=search 74X"}));
}

} // namespace
