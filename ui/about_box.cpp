#include "ui/about_box.h"

#include "app/configuration.h"
#include "app/language_table.h"
#include "ui/controls/hyperlink.h"
#include "ui/gui_resources.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace nimbrel {

AboutBox::AboutBox(const Configuration& config, const LanguageTable& texts, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(QString::fromStdString(texts.text(TextRow::aboutNimbrel)));

    auto* iconLabel = new QLabel(this);
    iconLabel->setPixmap(icon(QStringLiteral("nimbrel")).pixmap(48, 48));
    iconLabel->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto makeText = [this](int id, const std::string& text) {
        auto* label = new QLabel(QString::fromStdString(text), this);
        label->setObjectName(QStringLiteral("c%1").arg(id));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    QLabel* version = makeText(1011, config.version);
    QLabel* copyright = makeText(1012, config.copyright);
    QLabel* description = makeText(1013, config.description);

    auto* link = new HyperLink(this);
    link->setObjectName(QStringLiteral("c1002"));
    if (config.softupdate.empty()) {
        link->hide();
    } else {
        link->setAddress(QString::fromStdString(config.softupdate));
        link->setText(QString::fromStdString(config.softupdate));
    }

    auto* ok = new QPushButton(QString::fromStdString(texts.text(TextRow::ok)), this);
    ok->setObjectName(QStringLiteral("c1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(16);
    layout->addWidget(iconLabel, 0, 0, 4, 1);
    layout->addWidget(version, 0, 1);
    layout->addWidget(copyright, 1, 1);
    layout->addWidget(description, 2, 1);
    layout->addWidget(link, 3, 1);
    layout->addWidget(ok, 0, 2, Qt::AlignTop);
    layout->setColumnStretch(1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace nimbrel
