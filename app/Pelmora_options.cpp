#include "Pelmora_options.h"

#include "Guarded.h"
#include "settings/IniFile.h"
#include "FocusCues.h"
#include "ProgramFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <cstdlib>

namespace pelmora {

namespace {

constexpr const char* kPreferences = "Preferences";
constexpr int kLeft = 10;
constexpr int kBoxWidth = 225, kBoxHeight = 17, kBoxStep = 20;
constexpr int kValueLeft = 150, kValueWidth = 50, kValueHeight = 19;
constexpr int kSpinWidth = 17, kSpinHeight = 21;
constexpr int kClientWidth = 230, kClientHeight = 258;

bool IsEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

TForm6::TForm6(QWidget* parent)
    : QDialog(parent)
{
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle("   Options...");
    setFixedSize(kClientWidth, kClientHeight);

    int top = 10;
    auto checkBox = [&](const char* caption, const char* hint, bool checked) {
        auto* box = new QCheckBox(QString::fromLatin1(caption), this);
        box->setToolTip(QString::fromLatin1(hint));
        box->setChecked(checked);
        box->setGeometry(kLeft, top, kBoxWidth, kBoxHeight);
        top += kBoxStep;
        return box;
    };
    CheckBox_fullscreen = checkBox(" Full screen image pelmora", " show pelmora window full screen ", true);
    CheckBox_fitimage = checkBox(" Fit image to view window", " shrink image to fit inside pelmora window ", false);
    CheckBox_savefilter = checkBox(" Save all filter's values", " save last filter's values used ", true);
    CheckBox_hidemenu = checkBox(" Hide pelmora's main menu", " hide pelmora's window main top menu ", false);
    CheckBox_showimage
        = checkBox(" Hide image when starting", " don't show selected image when starting application", false);
    CheckBox_trash = checkBox(" Move deleted files to the trash", " Delete moves files to the desktop's trash ", true);

    // A read-only value with a vertical scroll bar as its up-down spinner.
    auto spinner = [&](const QString& label, const char* hint, QLineEdit*& edit, QScrollBar*& scroll, int minimum,
                       int maximum, int position) {
        top += 10;
        edit = new QLineEdit(this);
        edit->setReadOnly(true);
        edit->setToolTip(QString::fromLatin1(hint));
        edit->setGeometry(kValueLeft, top, kValueWidth, kValueHeight);
        scroll = new QScrollBar(Qt::Vertical, this);
        scroll->setToolTip(QString::fromLatin1(hint));
        scroll->setRange(minimum, maximum);
        scroll->setSingleStep(1);
        scroll->setPageStep(1);
        scroll->setValue(position);
        scroll->setGeometry(kValueLeft + kValueWidth + 1, top - 1, kSpinWidth, kSpinHeight);
        auto* caption = new QLabel(label, this);
        caption->setBuddy(edit);
        caption->setGeometry(kLeft, top, kValueLeft - kLeft - 4, kValueHeight);
        top += kValueHeight;
    };
    spinner("File && folder position", " file explorer position on window", Edit_explorer_screen,
        Scroll_explorer_screen, -1, 2, 0);
    Edit_explorer_screen->setText("Top");
    spinner("Slideshow delay [sec]", " slideshow delay (in seconds) ", Edit_slideshow_delay, Scroll_slideshow_delay,
        -30, 0, -2);
    Edit_slideshow_delay->setText("2");

    top += 10;
    ComboBox_drivetypes = new QComboBox(this);
    ComboBox_drivetypes->addItems({"Hard drives only", "All drives (inc Floppy)"});
    ComboBox_drivetypes->setToolTip(" Drive types to show on folder list");
    ComboBox_drivetypes->setGeometry(60, top, kValueLeft + kValueWidth + kSpinWidth + 1 - 60, kSpinHeight);
    auto* show = new QLabel("Show :", this);
    show->setBuddy(ComboBox_drivetypes);
    show->setGeometry(kLeft, top, 48, kSpinHeight);

    Button1 = new QPushButton("Ok", this);
    Button2 = new QPushButton("Cancel", this);
    Button1->setGeometry(62, kClientHeight - 32, 75, 23);
    Button2->setGeometry(143, kClientHeight - 32, 75, 23);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(CheckBox_fullscreen, &QCheckBox::clicked, this, [this] { CheckBox_fullscreenClick(); });
    connect(Scroll_slideshow_delay, &QScrollBar::valueChanged, this, [this] { Scroll_slideshow_delayChange(); });
    connect(Scroll_explorer_screen, &QScrollBar::valueChanged, this, [this] { Scroll_explorer_screenChange(); });
    FormCreate();
}

void TForm6::FormCreate()
{
    setFont(QFont("Tahoma"));
}

void TForm6::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Guarded([this] { FormShow(); });
}

void TForm6::FormShow()
{
    IniFile settings(SettingsFilePath().toStdString());
    CheckBox_fullscreen->setChecked(settings.ReadBool(kPreferences, "FullScreenView", true));
    CheckBox_fitimage->setChecked(settings.ReadBool(kPreferences, "FitToWindow", false));
    CheckBox_savefilter->setChecked(settings.ReadBool(kPreferences, "UserFilters", true));
    CheckBox_hidemenu->setChecked(settings.ReadBool(kPreferences, "PelmoraTopMenu", false));
    CheckBox_showimage->setChecked(settings.ReadBool(kPreferences, "HideImageOnLoad", false));
    CheckBox_trash->setChecked(settings.ReadBool(kPreferences, "DeleteToTrash", true));
    // The scroll bar keeps the delay within 0 to 30 seconds.
    Scroll_slideshow_delay->setValue(-settings.ReadInteger(kPreferences, "SlideDelay", 2));
    Scroll_slideshow_delayChange();
    Scroll_explorer_screen->setValue(settings.ReadInteger(kPreferences, "PanelFiles", 0));
    Scroll_explorer_screenChange();
    ComboBox_drivetypes->setCurrentIndex(settings.ReadInteger(kPreferences, "DriveTypes", 0));
}

bool TForm6::FullScreenChosen() const
{
    return CheckBox_fullscreen->isChecked();
}

void TForm6::Scroll_slideshow_delayChange()
{
    Edit_slideshow_delay->setText(QString::number(std::abs(Scroll_slideshow_delay->value())));
}

void TForm6::Scroll_explorer_screenChange()
{
    // Either arrow toggles: past either end the position comes round to the other value.
    switch (Scroll_explorer_screen->value()) {
    case 0: Edit_explorer_screen->setText("Top"); break;
    case 1: Edit_explorer_screen->setText("Left"); break;
    case 2: Scroll_explorer_screen->setValue(0); break;
    case -1: Scroll_explorer_screen->setValue(1); break;
    default: break;
    }
}

void TForm6::done(int result)
{
    setResult(result);
    Guarded([this] { FormClose(); });
    QDialog::done(result);
}

void TForm6::FormClose()
{
    lastResult_ = result();
    if (lastResult_ != QDialog::Accepted)
        return;
    IniFile settings(SettingsFilePath().toStdString());
    settings.WriteBool(kPreferences, "FullScreenView", CheckBox_fullscreen->isChecked());
    settings.WriteBool(kPreferences, "FitToWindow", CheckBox_fitimage->isChecked());
    settings.WriteBool(kPreferences, "UserFilters", CheckBox_savefilter->isChecked());
    settings.WriteBool(kPreferences, "PelmoraTopMenu", CheckBox_hidemenu->isChecked());
    settings.WriteInteger(kPreferences, "SlideDelay", std::abs(Scroll_slideshow_delay->value()));
    settings.WriteInteger(kPreferences, "PanelFiles", std::abs(Scroll_explorer_screen->value()));
    // The display window's toggles follow their check boxes.
    emit FitToWindowChosen(CheckBox_fitimage->isChecked());
    emit HideMenuChosen(CheckBox_hidemenu->isChecked());
    settings.WriteInteger(kPreferences, "DriveTypes", ComboBox_drivetypes->currentIndex());
    settings.WriteBool(kPreferences, "HideImageOnLoad", CheckBox_showimage->isChecked());
    settings.WriteBool(kPreferences, "DeleteToTrash", CheckBox_trash->isChecked());
}

void TForm6::keyPressEvent(QKeyEvent* event)
{
    // Enter means nothing of its own: it presses a button only where that button has the focus.
    if (IsEnter(event->key())) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        Button2->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm6::keyReleaseEvent(QKeyEvent* event)
{
    RepaintFocusCues(this, event->key());
    QDialog::keyReleaseEvent(event);
}

} // namespace pelmora
