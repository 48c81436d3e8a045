#include "qtdialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTranslator>

using Dialogs::Button;

namespace {
// Every box of the program carries its name.
const QString BoxTitle = QStringLiteral("Copista");
} // namespace

QTranslator *installQtTranslations()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_pt_BR"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

Dialogs::Button QtDialogs::message(Dialogs::Kind kind, const QString &text,
                                   Dialogs::Buttons buttons)
{
    static const std::pair<Button, QMessageBox::StandardButton> map[] = {
        {Button::Ok, QMessageBox::Ok},       {Button::Cancel, QMessageBox::Cancel},
        {Button::Abort, QMessageBox::Abort}, {Button::Ignore, QMessageBox::Ignore},
        {Button::Yes, QMessageBox::Yes},     {Button::No, QMessageBox::No},
    };
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (kind) {
    case Dialogs::Kind::Warning:
        icon = QMessageBox::Warning;
        break;
    case Dialogs::Kind::Error:
        icon = QMessageBox::Critical;
        break;
    case Dialogs::Kind::Information:
        icon = QMessageBox::Information;
        break;
    case Dialogs::Kind::Confirmation:
        icon = QMessageBox::Question;
        break;
    }
    QMessageBox::StandardButtons qtButtons;
    for (const auto &[ours, theirs] : map)
        if (buttons.testFlag(ours))
            qtButtons |= theirs;
    // The box's text keeps the CR line breaks of the messages.
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(icon, BoxTitle, shown, qtButtons, m_parent);
    const auto pressed = QMessageBox::StandardButton(box.exec());
    for (const auto &[ours, theirs] : map)
        if (pressed == theirs)
            return ours;
    return Button::NoButton;
}

QString QtDialogs::qtFilter(const QString &filter)
{
    if (filter.isEmpty())
        return {};
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        entries << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(';', ' '));
    return entries.join(QStringLiteral(";;"));
}

std::optional<QString> QtDialogs::fileDialog(const Dialogs::FileOptions &options, bool save)
{
    QFileDialog dialog(m_parent, options.title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // A typed name need not exist: the command reports the failure itself.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.overwritePrompt);
    if (!options.filter.isEmpty())
        dialog.setNameFilter(qtFilter(options.filter));
    if (!options.defaultSuffix.isEmpty()) {
        dialog.setDefaultSuffix(options.defaultSuffix);
        // The filter of that suffix first; choosing another filter makes a
        // name typed without extension take that filter's.
        const QString pattern = QStringLiteral("*.") + options.defaultSuffix;
        for (const QString &f : dialog.nameFilters())
            if (f.contains(pattern + u')') || f.contains(pattern + u' ')) {
                dialog.selectNameFilter(f);
                break;
            }
        QObject::connect(
            &dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &f) {
                const qsizetype at = f.indexOf(QLatin1String("*."));
                const QString ext =
                    f.mid(at + 2).section(QRegularExpression(QStringLiteral("[ );]")), 0, 0);
                if (at >= 0 && !ext.isEmpty() && ext != u'*')
                    dialog.setDefaultSuffix(ext);
            });
    }
    const QString remembered = QStringLiteral("pastas/") + options.key;
    if (!options.initialFolder.isEmpty() && options.initialFolder != QStringLiteral("."))
        dialog.setDirectory(options.initialFolder);
    else if (!options.key.isEmpty() && QSettings().contains(remembered))
        dialog.setDirectory(QSettings().value(remembered).toString());
    else if (!options.initialFolder.isEmpty())
        dialog.setDirectory(options.initialFolder);
    if (!options.presetName.isEmpty())
        dialog.selectFile(options.presetName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    if (!options.key.isEmpty())
        QSettings().setValue(remembered, dialog.directory().absolutePath());
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtDialogs::openFile(const Dialogs::FileOptions &options)
{
    return fileDialog(options, false);
}

std::optional<QString> QtDialogs::saveFile(const Dialogs::FileOptions &options)
{
    return fileDialog(options, true);
}

std::optional<QString> QtDialogs::openFolder(const Dialogs::FileOptions &options)
{
    const QString remembered = QStringLiteral("pastas/") + options.key;
    const QString start = options.initialFolder.isEmpty() ? QSettings().value(remembered).toString()
                                                          : options.initialFolder;
    const QString folder = QFileDialog::getExistingDirectory(m_parent, options.title, start);
    if (folder.isEmpty())
        return std::nullopt;
    QSettings().setValue(remembered, folder);
    return folder;
}

Dialogs::ClashAnswer QtDialogs::clash(const QString &name)
{
    QMessageBox box(
        QMessageBox::Question, BoxTitle,
        QStringLiteral("Já existe um componente com este nome na biblioteca atual: %1").arg(name),
        QMessageBox::NoButton, m_parent);
    QAbstractButton *replace = box.addButton(QStringLiteral("Substituir"), QMessageBox::AcceptRole);
    QAbstractButton *skip = box.addButton(QStringLiteral("Pular"), QMessageBox::RejectRole);
    QAbstractButton *rename = box.addButton(QStringLiteral("Renomear"), QMessageBox::ActionRole);
    box.addButton(QStringLiteral("Cancelar"), QMessageBox::DestructiveRole);
    auto *all = new QCheckBox(QStringLiteral("Aplicar a todos"));
    box.setCheckBox(all);
    box.exec();
    Dialogs::ClashAnswer answer;
    answer.applyToAll = all->isChecked();
    if (box.clickedButton() == replace)
        answer.choice = Dialogs::Clash::Replace;
    else if (box.clickedButton() == skip)
        answer.choice = Dialogs::Clash::Skip;
    else if (box.clickedButton() == rename)
        answer.choice = Dialogs::Clash::Rename;
    return answer;
}

std::optional<int> QtDialogs::choose(const QString &text, const QStringList &items, int current)
{
    QInputDialog dialog(m_parent);
    dialog.setObjectName(QStringLiteral("Escolha"));
    dialog.setWindowTitle(BoxTitle);
    dialog.setLabelText(text);
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    dialog.setTextValue(items.value(current));
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Cancelar"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const qsizetype i = items.indexOf(dialog.textValue());
    return i < 0 ? std::nullopt : std::optional<int>(int(i));
}

void QtDialogs::beep()
{
    QApplication::beep();
}
