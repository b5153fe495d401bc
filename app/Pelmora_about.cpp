#include "Pelmora_about.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#if __has_include(<jconfig.h>)
#include <jconfig.h>
#endif
#if __has_include(<png.h>)
#include <png.h>
#endif

#define PELMORA_TEXT_OF(x) #x
#define PELMORA_TEXT(x) PELMORA_TEXT_OF(x)

namespace pelmora {

QString BuiltOnText()
{
    QString text = QString("Qt %1").arg(qVersion());
#ifdef LIBJPEG_TURBO_VERSION
    text += ", libjpeg-turbo " PELMORA_TEXT(LIBJPEG_TURBO_VERSION);
#elif defined(JPEG_LIB_VERSION)
    text += ", libjpeg " PELMORA_TEXT(JPEG_LIB_VERSION);
#endif
#ifdef PNG_LIBPNG_VER_STRING
    text += ", libpng " PNG_LIBPNG_VER_STRING;
#endif
    return text;
}

TFormAbout::TFormAbout(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle("About Picture Pelmora");
    setFont(QFont("Tahoma"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel("Picture Pelmora", this);
    QFont large = name->font();
    large.setBold(true);
    large.setPointSizeF(large.pointSizeF() * 1.6);
    name->setFont(large);
    name->setAlignment(Qt::AlignCenter);
    auto* version = new QLabel("Version " PELMORA_VERSION, this);
    version->setAlignment(Qt::AlignCenter);
    auto* purpose = new QLabel("Browses folders of pictures, previews them and shows them large.", this);
    purpose->setAlignment(Qt::AlignCenter);
    purpose->setWordWrap(true);
    auto* libraries = new QLabel("Built on " + BuiltOnText() + ".", this);
    libraries->setAlignment(Qt::AlignCenter);
    libraries->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    for (QWidget* w : { static_cast<QWidget*>(name), static_cast<QWidget*>(version), static_cast<QWidget*>(purpose),
             static_cast<QWidget*>(libraries) })
        layout->addWidget(w);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    setFixedWidth(340);
}

} // namespace pelmora
