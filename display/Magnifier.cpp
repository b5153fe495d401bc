#include "Magnifier.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include <cstdlib>

namespace pelmora {

namespace {

constexpr int kFactorBase = 2;
constexpr int kSizeBase = 10;
// Stored value = spin position + shift.
constexpr int kFactorShift = 4;
constexpr int kSizeShift = 190;
// The readout's lines; a label breaks lines at a line feed.
constexpr char kLineBreak = '\n';

struct NamedColour {
    const char* name;
    int red, green, blue;
};

constexpr NamedColour kNamedColours[] = {
    {"clBlack", 0, 0, 0},
    {"clMaroon", 128, 0, 0},
    {"clGreen", 0, 128, 0},
    {"clOlive", 128, 128, 0},
    {"clNavy", 0, 0, 128},
    {"clPurple", 128, 0, 128},
    {"clTeal", 0, 128, 128},
    {"clGray", 128, 128, 128},
    {"clSilver", 192, 192, 192},
    {"clRed", 255, 0, 0},
    {"clLime", 0, 255, 0},
    {"clYellow", 255, 255, 0},
    {"clBlue", 0, 0, 255},
    {"clFuchsia", 255, 0, 255},
    {"clAqua", 0, 255, 255},
    {"clWhite", 255, 255, 255},
    {"clMoneyGreen", 192, 220, 192},
    {"clSkyBlue", 166, 202, 240},
    {"clCream", 255, 251, 240},
    {"clMedGray", 160, 160, 164},
};

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, QRect at, int pixelSize, bool bold = false)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont font("Arial");
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    label->setGeometry(at);
    return label;
}

QLineEdit* AddField(QWidget* parent, const char* name, const QString& text, QRect at, const QFont& font)
{
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setFont(font);
    field->setGeometry(at);
    return field;
}

QScrollBar* AddSpin(QWidget* parent, const char* name, int minimum, int position, int step, QRect at)
{
    auto* spin = new QScrollBar(Qt::Vertical, parent);
    spin->setObjectName(name);
    spin->setRange(minimum, 0);
    spin->setValue(position);
    spin->setSingleStep(step);
    spin->setPageStep(step);
    spin->setGeometry(at);
    return spin;
}

} // namespace

MagnifierPanel::MagnifierPanel(QWidget* parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    resize(110, 84);
    QFont small = font();
    small.setPointSize(7);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(3, 3, 104, 38);
    LabelLocation = new QLabel("(X, Y)  (R, G, B)", this);
    LabelLocation->setObjectName("LabelLocation");
    // The readout's longest lines are a little wider than the panel in a wide desktop font.
    QFont readout = small;
    readout.setStretch(QFont::SemiCondensed);
    LabelLocation->setFont(readout);
    LabelLocation->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    LabelLocation->setGeometry(6, 4, 99, 36);

    LabelMagnifiation = AddLabel(this, "LabelMagnifiation", "Magnificat", {5, 46, 54, 14}, 11);
    LabelX = AddLabel(this, "LabelX", "X", {58, 43, 12, 18}, 16, true);
    EditMagnification = AddField(this, "EditMagnification", "3", {70, 43, 24, 18}, small);
    ScrollEditMagnification = AddSpin(this, "ScrollEditMagnification", -8, -1, 1, {94, 42, 13, 20});
    LabelRadius = AddLabel(this, "LabelRadius", "Lens size", {5, 66, 54, 14}, 11);
    EditMagnifierRadius = AddField(this, "EditMagnifierRadius", "100", {70, 63, 24, 18}, small);
    ScrollEditMagnifierRadius = AddSpin(this, "ScrollEditMagnifierRadius", -170, -90, 10, {94, 62, 13, 20});
}

int MagnifierPanel::Factor() const
{
    return std::abs(ScrollEditMagnification->value()) + kFactorBase;
}

int MagnifierPanel::LensSize() const
{
    return std::abs(ScrollEditMagnifierRadius->value()) + kSizeBase;
}

void MagnifierPanel::SetLensSize(int size)
{
    ScrollEditMagnifierRadius->setValue(-(size - kSizeBase));
}

void MagnifierPanel::SetStoredValues(int magnifyX, int magnifySize)
{
    ScrollEditMagnification->setValue(magnifyX - kFactorShift);
    ScrollEditMagnifierRadius->setValue(magnifySize - kSizeShift);
}

std::pair<int, int> MagnifierPanel::StoredValues() const
{
    return {ScrollEditMagnification->value() + kFactorShift, ScrollEditMagnifierRadius->value() + kSizeShift};
}

QString EmptyReadout()
{
    return QString("(X,Y)   =%1(R,G,B) =%1   hex - ").arg(kLineBreak);
}

QString PixelReadout(QPoint pixel, QRgb colour)
{
    return QString("(X,Y)   = [%1, %2]%6(R,G,B) =[%3,%4,%5]%6     hex - %7")
        .arg(pixel.x())
        .arg(pixel.y())
        .arg(qRed(colour))
        .arg(qGreen(colour))
        .arg(qBlue(colour))
        .arg(kLineBreak)
        .arg(ColourText(colour));
}

QString OutsideReadout()
{
    QString empty = EmptyReadout();
    return "outside the picture" + empty.mid(empty.indexOf(kLineBreak));
}

QString ColourText(QRgb colour)
{
    for (const NamedColour& named : kNamedColours)
        if (qRed(colour) == named.red && qGreen(colour) == named.green && qBlue(colour) == named.blue)
            return named.name;
    // The order of the platform's colour value: red in the low byte.
    uint value = uint(qRed(colour)) | uint(qGreen(colour)) << 8 | uint(qBlue(colour)) << 16;
    return "$" + QString("%1").arg(value, 8, 16, QChar('0')).toUpper();
}

} // namespace pelmora
