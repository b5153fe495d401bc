#include "Pelmora_filters.h"

#include "app/Guarded.h"
#include "settings/IniFile.h"
#include "app/FocusCues.h"
#include "app/ProgramFolder.h"
#include "effects/FilterKinds.h"
#include "formats/Exception.h"

#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <iterator>

namespace pelmora {

namespace {

constexpr const char* kFilters = "Filters";
constexpr const char* kPreferences = "Preferences";
constexpr int kClientWidth = 119;

// One value row's edit and bar at their design places; the bar lies over the edit's right end.
void PlaceValueEdit(QLineEdit* edit, int left, int top, int width)
{
    edit->setGeometry(left, top, width, 18);
}

// Keys that are no typed character: the dialog's own, and Delete, which some desktops send as one.
bool IsDialogKey(int key)
{
    return key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Return || key == Qt::Key_Enter
        || key == Qt::Key_Escape || key == Qt::Key_Delete;
}

int ParseInteger(const QString& text)
{
    bool ok = false;
    int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw Exception(ConversionErrorMessage(text).toStdString());
    return value;
}

// Sets a bar and its text as the caller does: maximum, minimum, position, then the text.
void SetRow(QScrollBar* bar, QLineEdit* edit, int minimum, int maximum, int position, const QString& text)
{
    bar->setMaximum(maximum);
    bar->setMinimum(minimum);
    bar->setValue(position);
    edit->setText(text);
}

} // namespace

QString ConversionErrorMessage(const QString& text)
{
    return "'" + text + "' is not a valid integer value";
}

TForm4::TForm4(QWidget* parent)
    : QDialog(parent)
{
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    QFont labelFont("Arial", 8);

    auto label = [&](int top) {
        auto* l = new QLabel("Filter value :", this);
        l->setFont(labelFont);
        l->move(8, top);
        l->adjustSize();
        return l;
    };
    auto valueEdit = [&](int top) {
        auto* e = new QLineEdit("100", this);
        e->setReadOnly(true);
        e->setFrame(false);
        PlaceValueEdit(e, 71, top, 41);
        return e;
    };
    auto bar = [&](int top) {
        auto* b = new QScrollBar(Qt::Vertical, this);
        b->setGeometry(94, top, 17, 16);
        b->setPageStep(0);
        b->setSingleStep(1);
        // A click on an arrow takes the focus, which says which size the ratio follows.
        b->setFocusPolicy(Qt::StrongFocus);
        return b;
    };

    Label_opt = label(6);
    Edit_opt = valueEdit(4);
    ScrollEdit_opt = bar(5);
    Button_opt_ok = new QPushButton("ok", this);
    Button_opt_ok->setGeometry(70, 26, 43, 17);
    Button1 = new QPushButton("cancel", this);
    Button1->setGeometry(6, 26, 59, 17);
    Label_opt2 = label(50);
    Edit_opt2 = valueEdit(48);
    ScrollEdit_opt2 = bar(49);
    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(6, 74, 107, 2);
    Edit_opt3 = new QLineEdit("Lanczos3 filter", this);
    Edit_opt3->setReadOnly(true);
    Edit_opt3->setGeometry(6, 80, 106, 18);
    ScrollEdit_opt3 = bar(81);
    ScrollEdit_opt3->setRange(0, 6);
    ScrollEdit_opt3->setValue(kResizeKernelRange.position);
    CheckBox_ratio = new QCheckBox("Keep aspect ratio", this);
    CheckBox_ratio->setGeometry(6, 102, 107, 17);

    Label_opt->setObjectName("Label_opt");
    Edit_opt->setObjectName("Edit_opt");
    ScrollEdit_opt->setObjectName("ScrollEdit_opt");
    Button_opt_ok->setObjectName("Button_opt_ok");
    Button1->setObjectName("Button1");
    Label_opt2->setObjectName("Label_opt2");
    Edit_opt2->setObjectName("Edit_opt2");
    ScrollEdit_opt2->setObjectName("ScrollEdit_opt2");
    Bevel1->setObjectName("Bevel1");
    Edit_opt3->setObjectName("Edit_opt3");
    ScrollEdit_opt3->setObjectName("ScrollEdit_opt3");
    CheckBox_ratio->setObjectName("CheckBox_ratio");

    // Enter presses only a button that has the focus; no button is the default.
    for (QPushButton* button : {Button_opt_ok, Button1})
        button->setAutoDefault(false);
    QWidget* order[] = {Edit_opt, ScrollEdit_opt, Button_opt_ok, Button1, Edit_opt2, ScrollEdit_opt2, Edit_opt3,
        ScrollEdit_opt3, CheckBox_ratio};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    // Key preview: the dialog sees every key of its controls first.
    for (QWidget* control : order)
        control->installEventFilter(this);

    connect(Button_opt_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    for (QScrollBar* b : {ScrollEdit_opt, ScrollEdit_opt2, ScrollEdit_opt3})
        connect(b, &QScrollBar::valueChanged, this, [this] { ScrollEdit_optChange(); });
    connect(CheckBox_ratio, &QCheckBox::toggled, this, [this] { CheckBox_ratioClick(); });
    FormCreate();
}

void TForm4::FormCreate()
{
    QFont font = this->font();
    font.setFamily("Tahoma");
    setFont(font);
    setFixedSize(kClientWidth, Button_opt_ok->geometry().bottom() + 1 + 4);
}

void TForm4::SetUpFor(const FilterKind& kind, int pictureWidth, int pictureHeight)
{
    const FilterRange& first = kind.first;
    if (kind.sizeOfPicture) {
        SetRow(ScrollEdit_opt, Edit_opt, first.minimum, first.maximum, pictureWidth, QString::number(pictureWidth));
        SetRow(ScrollEdit_opt2, Edit_opt2, kind.second.minimum, kind.second.maximum, pictureHeight,
            QString::number(pictureHeight));
        SetRow(ScrollEdit_opt3, Edit_opt3, kResizeKernelRange.minimum, kResizeKernelRange.maximum,
            kResizeKernelRange.position, kResizeKernelRange.text);
    } else {
        SetRow(ScrollEdit_opt, Edit_opt, first.minimum, first.maximum, first.position, first.text);
        if (kind.valueCount >= 2)
            SetRow(ScrollEdit_opt2, Edit_opt2, kind.second.minimum, kind.second.maximum, kind.second.position,
                kind.second.text);
    }
    setWindowTitle(kind.caption);
}

QString TForm4::TrimmedCaption() const
{
    return windowTitle().trimmed();
}

bool TForm4::IsResize() const
{
    return TrimmedCaption() == "Resize ..";
}

QScrollBar* TForm4::RememberedBar() const
{
    return IsResize() ? ScrollEdit_opt3 : ScrollEdit_opt;
}

void TForm4::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Guarded([this] { FormActivate(); });
}

void TForm4::FormActivate()
{
    QString caption = TrimmedCaption();
    bool convolve = caption == "Convolve ..";
    bool resize = caption == "Resize ..";
    int height;
    if (convolve) {
        height = Edit_opt2->geometry().bottom() + 1 + 4;
        Label_opt->setText("Filter value :");
        Label_opt2->setText("Edge value :");
    } else if (resize) {
        height = CheckBox_ratio->geometry().bottom() + 1 + 2;
        Label_opt->setText("Width :");
        Label_opt2->setText("Height :");
    } else {
        height = Button_opt_ok->geometry().bottom() + 1 + 4;
        Label_opt->setText("Filter value :");
        Label_opt2->setText("Filter value :");
    }
    for (QLabel* l : {Label_opt, Label_opt2})
        l->adjustSize();
    for (auto [edit, top] : {std::pair {Edit_opt, 4}, std::pair {Edit_opt2, 48}}) {
        PlaceValueEdit(edit, resize ? 51 : 71, top, resize ? 61 : 41);
        edit->setReadOnly(!resize);
    }
    for (QScrollBar* b : {ScrollEdit_opt, ScrollEdit_opt2, ScrollEdit_opt3})
        b->raise();
    setFixedSize(kClientWidth, height);
    // The rows below the visible area are out of the keyboard's reach.
    for (QWidget* w :
        {static_cast<QWidget*>(Label_opt2), static_cast<QWidget*>(Edit_opt2), static_cast<QWidget*>(ScrollEdit_opt2)})
        w->setVisible(convolve || resize);
    for (QWidget* w : {static_cast<QWidget*>(Bevel1), static_cast<QWidget*>(Edit_opt3),
             static_cast<QWidget*>(ScrollEdit_opt3), static_cast<QWidget*>(CheckBox_ratio)})
        w->setVisible(resize);

    if (resize) {
        RatioWidth = ScrollEdit_opt->value();
        RatioHeight = ScrollEdit_opt2->value();
        CheckBox_ratio->setChecked(true);
    }
    QScrollBar* remembered = RememberedBar();
    int fallback = remembered->value();
    FilterKey = caption.left(std::max<qsizetype>(0, caption.size() - 3));
    IniFile settings(SettingsFilePath().toStdString());
    remembered->setValue(settings.ReadInteger(kFilters, FilterKey.toStdString(), fallback));
    // The texts follow the positions also where the remembered value is the
    // default: the tenths in the user's decimal separator from the start.
    ScrollEdit_optChange();
    Edit_opt->setFocus();
}

void TForm4::ScrollEdit_optChange()
{
    QString caption = TrimmedCaption();
    if (caption == "Sharpen .." || caption == "FishEye ..") {
        Edit_opt->setText(QLocale().toString(ScrollEdit_opt->value() / 10.0, 'g', QLocale::FloatingPointShortest));
    } else {
        // The ratio is kept only once the Resize dialog's activation has taken it.
        if (caption == "Resize .." && CheckBox_ratio->isChecked() && RatioWidth > 0 && RatioHeight > 0 && isVisible()) {
            if (ScrollEdit_opt->hasFocus() || Edit_opt->hasFocus())
                ScrollEdit_opt2->setValue(ScrollEdit_opt->value() * RatioHeight / RatioWidth);
            else if (ScrollEdit_opt2->hasFocus() || Edit_opt2->hasFocus())
                ScrollEdit_opt->setValue(ScrollEdit_opt2->value() * RatioWidth / RatioHeight);
        }
        Edit_opt->setText(QString::number(ScrollEdit_opt->value()));
    }
    Edit_opt2->setText(QString::number(ScrollEdit_opt2->value()));
    Edit_opt3->setText(KernelLabels[size_t(std::clamp(ScrollEdit_opt3->value(), 0, 6))]);
}

bool TForm4::Edit_optKeyPress(QChar key)
{
    return (key >= '0' && key <= '9') || key == QChar(8) || key == QChar(12);
}

void TForm4::Edit_optKeyUp()
{
    // Both texts are checked before a position moves: a text that is no number leaves both as they were.
    int first = ParseInteger(Edit_opt->text());
    ParseInteger(Edit_opt2->text());
    ScrollEdit_opt->setValue(first);
    // Read after the first has moved: with the ratio kept, the second text follows the first.
    ScrollEdit_opt2->setValue(ParseInteger(Edit_opt2->text()));
}

void TForm4::CheckBox_ratioClick()
{
    if (RatioWidth <= 0 || RatioHeight <= 0)
        return;
    ScrollEdit_opt2->setValue(ScrollEdit_opt->value() * RatioHeight / RatioWidth);
    Edit_opt->setText(QString::number(ScrollEdit_opt->value()));
}

void TForm4::FormKeyUp(int key)
{
    RepaintFocusCues(this, key);
}

void TForm4::done(int result)
{
    setResult(result);
    Guarded([this] { FormClose(); });
    QDialog::done(result);
}

void TForm4::FormClose()
{
    IniFile settings(SettingsFilePath().toStdString());
    if (settings.ReadBool(kPreferences, "UserFilters", true) && !FilterKey.isEmpty())
        settings.WriteInteger(kFilters, FilterKey.toStdString(), RememberedBar()->value());
}

bool TForm4::eventFilter(QObject* watched, QEvent* event)
{
    QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    auto* edit = qobject_cast<QLineEdit*>(watched);
    bool valueEdit = edit && (edit == Edit_opt || edit == Edit_opt2);
    if (type == QEvent::KeyPress) {
        if (!valueEdit)
            return false;
        keyPressedIn_ = edit;
        QString text = key->text();
        if (!text.isEmpty() && !IsDialogKey(key->key()) && !Edit_optKeyPress(text.front()))
            return true;
        return false;
    }
    if (key->isAutoRepeat())
        return false;
    // A release whose press went elsewhere (the key that chose the menu command) is not the edit's.
    if (valueEdit && keyPressedIn_ == edit) {
        keyPressedIn_ = nullptr;
        Guarded([this] { Edit_optKeyUp(); });
    }
    FormKeyUp(key->key());
    return false;
}

void TForm4::keyPressEvent(QKeyEvent* event)
{
    // Enter means nothing of its own: it presses a button only where that button has the focus.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace pelmora
