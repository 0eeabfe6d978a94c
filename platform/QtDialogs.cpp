#include "platform/Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>

namespace tavuro {

namespace {

QString ToQt(const std::string& text) {
    return QString::fromUtf8(text);
}

// "MIDI音乐(MID;RMI...)" with "*.mid;*.rmi" becomes "MIDI音乐(MID;RMI...) (*.mid *.rmi)", the form
// Qt reads its patterns from.
QString QtFilter(const TFileFilter& filter) {
    QString patterns = ToQt(filter.Patterns);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    return ToQt(filter.Description) + QLatin1String(" (") + patterns.simplified() +
           QLatin1Char(')');
}

class TQtDialogs : public TDialogs {
public:
    explicit TQtDialogs(QWidget* parent) : Parent(parent) {}

    void ShowMessage(const std::string& text, const std::string& title,
                     TMessageIcon icon) override {
        RunMessageBox(text, title, icon, QMessageBox::Ok);
    }

    void ShowMessageWithButtons(const std::string& text, const std::string& title,
                                TMessageButtons buttons) override {
        RunMessageBox(text, title, TMessageIcon::miNone,
                      buttons == TMessageButtons::mbOkCancel
                          ? QMessageBox::Ok | QMessageBox::Cancel
                          : QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    std::optional<std::vector<std::string>>
    RunOpenDialog(const std::string& initialDirectory,
                  const std::vector<TFileFilter>& filters) override {
        QStringList qtFilters;
        for (const TFileFilter& filter : filters)
            qtFilters << QtFilter(filter);
        QFileDialog dialog(Parent, QString(), ToQt(initialDirectory));
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setNameFilters(qtFilters);
        dialog.setSizeGripEnabled(true);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        std::vector<std::string> chosen;
        for (const QString& file : dialog.selectedFiles())
            chosen.push_back(file.toUtf8().toStdString());
        if (chosen.empty())
            return std::nullopt;
        return chosen;
    }

private:
    void RunMessageBox(const std::string& text, const std::string& title, TMessageIcon icon,
                       QMessageBox::StandardButtons buttons) {
        QMessageBox box(Parent);
        box.setWindowTitle(ToQt(title));
        box.setText(ToQt(text));
        box.setIcon(icon == TMessageIcon::miError ? QMessageBox::Critical : QMessageBox::NoIcon);
        box.setStandardButtons(buttons);
        box.exec();
    }

    // The parent window may close while the player still holds its dialogs.
    QPointer<QWidget> Parent;
};

} // namespace

std::unique_ptr<TDialogs> MakeQtDialogs(QWidget* parent) {
    return std::make_unique<TQtDialogs>(parent);
}

} // namespace tavuro
