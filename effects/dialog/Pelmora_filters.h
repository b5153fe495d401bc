// The filter value dialog: asks for the value of an effect (one value, two
// for Convolve, width, height and kernel for Resize). What it shows is
// decided by its caption, which the caller sets last; it remembers the last
// position of each kind in section "Filters" of the settings file.
#pragma once

#include <QDialog>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace pelmora {

struct FilterKind;
struct FilterRange;

class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);

    // The caller's side: the rows of the kind in order (maximum, minimum,
    // position, then the text), for Resize the picture's width and height
    // and the kernel row, last the caption.
    void SetUpFor(const FilterKind& kind, int pictureWidth = 0, int pictureHeight = 0);

    // Controls, in tab order.
    QLabel* Label_opt = nullptr;
    QLineEdit* Edit_opt = nullptr;
    QScrollBar* ScrollEdit_opt = nullptr;
    QPushButton* Button_opt_ok = nullptr;
    QPushButton* Button1 = nullptr; // "cancel"
    QLabel* Label_opt2 = nullptr;
    QLineEdit* Edit_opt2 = nullptr;
    QScrollBar* ScrollEdit_opt2 = nullptr;
    QFrame* Bevel1 = nullptr;
    QLineEdit* Edit_opt3 = nullptr;
    QScrollBar* ScrollEdit_opt3 = nullptr;
    QCheckBox* CheckBox_ratio = nullptr;

    // State between activation and close.
    QString FilterKey;
    int RatioWidth = 0;
    int RatioHeight = 0;

    void FormCreate();
    void FormActivate();
    void FormClose();
    void ScrollEdit_optChange();
    // Whether a typed character passes into a value edit.
    static bool Edit_optKeyPress(QChar key);
    void Edit_optKeyUp();
    void CheckBox_ratioClick();
    void FormKeyUp(int key);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString TrimmedCaption() const;
    bool IsResize() const;
    // The bar whose position is remembered: the kernel for Resize, the first value otherwise.
    QScrollBar* RememberedBar() const;

    QLineEdit* keyPressedIn_ = nullptr; // the value edit the last key went down in
};

// "'%s' is not a valid integer value" with the text in place of %s.
QString ConversionErrorMessage(const QString& text);

} // namespace pelmora
