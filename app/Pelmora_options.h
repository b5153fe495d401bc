// The options dialog: the settings of the browser and the display window in
// section `Preferences`. Shown by the options command (the display window's
// Options1Click), which the browser's options button runs too; on Ok it
// writes the settings and tells the display window its fit and hide-menu
// choices, whose toggles run where they differ.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace pelmora {

namespace test {
class OptionsAccess;
}

class TForm6 : public QDialog {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);

    // How the dialog was closed the last time (Accepted for Ok), for ApplyOptions.
    int LastResult() const { return lastResult_; }
    // The full-screen choice shown, which the options command takes on Ok.
    bool FullScreenChosen() const;

    void done(int result) override;

signals:
    // On Ok, the choices for the display window's "| Fit to window" and
    // "| Hide main Menu": it runs a command whose check mark differs.
    void FitToWindowChosen(bool fit);
    void HideMenuChosen(bool hidden);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    // The window tests read the controls through it.
    friend class test::OptionsAccess;

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

    int lastResult_ = QDialog::Rejected;
};

} // namespace pelmora
