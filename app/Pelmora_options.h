// The options dialog: the settings of the browser and the display window in
// section `Preferences`. Shown by the options command (the display window's
// Options1Click), which the browser's options button runs too; on Ok it
// writes the settings and runs the display window's fit and hide-menu toggles
// where its check boxes differ from them.
#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace pelmora {

class TForm6 : public QDialog {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);

    // A check-mark command of another window: its mark, and the command that toggles it.
    struct ToggleCommand {
        std::function<bool()> Checked;
        std::function<void()> Run;
    };
    // The display window's "| Fit to window" and "| Hide main Menu", given
    // when the windows are connected; unset, the settings alone are written.
    ToggleCommand FitToWindowCommand;
    ToggleCommand HideMenuCommand;

    // How the dialog was closed the last time (Accepted for Ok), for ApplyOptions.
    int LastResult() const { return lastResult_; }

    void FormCreate();
    void FormShow();
    void FormClose();
    void Scroll_slideshow_delayChange();
    void Scroll_explorer_screenChange();
    void CheckBox_fullscreenClick() { }

    QCheckBox* CheckBox_fullscreen = nullptr;
    QCheckBox* CheckBox_fitimage = nullptr;
    QCheckBox* CheckBox_savefilter = nullptr;
    QCheckBox* CheckBox_hidemenu = nullptr;
    QCheckBox* CheckBox_showimage = nullptr;
    QCheckBox* CheckBox_trash = nullptr;
    QLineEdit* Edit_explorer_screen = nullptr;
    QScrollBar* Scroll_explorer_screen = nullptr;
    QLineEdit* Edit_slideshow_delay = nullptr;
    QScrollBar* Scroll_slideshow_delay = nullptr;
    QComboBox* ComboBox_drivetypes = nullptr;
    QPushButton* Button1 = nullptr; // "Ok"
    QPushButton* Button2 = nullptr; // "Cancel"

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    int lastResult_ = QDialog::Rejected;
};

} // namespace pelmora
