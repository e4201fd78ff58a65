#include "ui/controls/hyperlink.h"

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>

namespace nimbrel {

QString hyperlinkErrorText(int result) {
    switch (result) {
    case 0:
        return QStringLiteral("The operating system is out\nof memory or resources.");
    case 2:
        return QStringLiteral("The specified file was not found.");
    case 3:
        return QStringLiteral("The specified path was not found.");
    case 5:
        return QStringLiteral("The operating system denied\naccess to the specified file.");
    case 8:
        return QStringLiteral("There was not enough memory to complete the operation.");
    case 11:
        return QStringLiteral("The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    case 26:
        return QStringLiteral("A sharing violation occurred. ");
    case 27:
        return QStringLiteral("The filename association is\nincomplete or invalid.");
    case 28:
        return QStringLiteral("The DDE transaction could not\nbe completed because the request timed out.");
    case 29:
        return QStringLiteral("The DDE transaction failed.");
    case 30:
        return QStringLiteral("The DDE transaction could not\nbe completed because other DDE transactions\n"
                              "were being processed.");
    case 31:
        return QStringLiteral("There is no application associated\nwith the given filename extension.");
    case 32:
        return QStringLiteral("The specified dynamic-link library was not found.");
    default:
        return QStringLiteral("Unknown Error (%1) occurred.").arg(result);
    }
}

QString hyperlinkErrorMessage(int result) {
    return QStringLiteral("Unable to open hyperlink:\n\n") + hyperlinkErrorText(result);
}

QUrl openableWebAddress(const QString& address) {
    // The address comes from the configuration file: only a web page may be opened from it, so a
    // crafted entry can never start a program or open a local file.
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) return {};
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) return {};
    return url;
}

HyperLink::HyperLink(QWidget* parent) : HyperLink(QString(), parent) {}

HyperLink::HyperLink(const QString& text, QWidget* parent) : QLabel(parent) {
    // Texts from the configuration are shown as they are, never as markup.
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    hoverColour_ = palette().color(QPalette::Highlight);
    opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    reporter_ = [this](const QString& message) {
        QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), message,
                        QMessageBox::Ok, window());
        box.exec();
    };
    setText(text);
    refreshLook();
}

void HyperLink::setAddress(const QString& address) {
    address_ = address;
    if (text().isEmpty()) setText(address);
    setToolTip(this->address());
}

QString HyperLink::address() const {
    return address_.isEmpty() ? text() : address_;
}

void HyperLink::setText(const QString& text) {
    QLabel::setText(text);
    setToolTip(address());
    fitToText();
}

void HyperLink::setLinkColour(const QColor& colour) {
    linkColour_ = colour;
    refreshLook();
}

void HyperLink::setVisitedColour(const QColor& colour) {
    visitedColour_ = colour;
    refreshLook();
}

void HyperLink::setHoverColour(const QColor& colour) {
    hoverColour_ = colour;
    refreshLook();
}

QColor HyperLink::currentColour() const {
    if (hovering_) return hoverColour_;
    return visited_ ? visitedColour_ : linkColour_;
}

void HyperLink::setUnderline(bool underline) {
    underline_ = underline;
    refreshLook();
}

void HyperLink::setFitToText(bool fit) {
    fitToText_ = fit;
    fitToText();
}

int HyperLink::open() const {
    const QUrl url = openableWebAddress(address());
    if (!url.isValid()) return kHyperlinkAccessDenied;
    return opener_ && opener_(url) ? kHyperlinkOpened : kHyperlinkNoApplication;
}

int HyperLink::activate() {
    const int result = open();
    if (result == kHyperlinkOpened) {
        visited_ = true;
        refreshLook();
        emit opened(openableWebAddress(address()));
    } else {
        QApplication::beep();
        if (reporter_) reporter_(hyperlinkErrorMessage(result));
    }
    return result;
}

void HyperLink::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    refreshLook();
    QLabel::enterEvent(event);
}

void HyperLink::leaveEvent(QEvent* event) {
    hovering_ = false;
    refreshLook();
    QLabel::leaveEvent(event);
}

void HyperLink::mouseReleaseEvent(QMouseEvent* event) {
    // A press that is dragged off the link before release is not a click.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        activate();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void HyperLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        activate();
        return;
    }
    QLabel::keyPressEvent(event);
}

void HyperLink::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) fitToText();
    QLabel::changeEvent(event);
}

void HyperLink::refreshLook() {
    QFont linkFont = font();
    if (linkFont.underline() != underline_) {
        linkFont.setUnderline(underline_);
        setFont(linkFont);
    }
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, currentColour());
    setPalette(colours);
    update();
}

void HyperLink::fitToText() {
    if (!fitToText_) return;
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    const QSize fitted = sizeHint();
    // Keep the edge (or the centre) that the alignment holds still, as a label placed by hand expects.
    QRect area = geometry();
    const QRect old = area;
    area.setSize(fitted);
    if (alignment() & Qt::AlignHCenter)
        area.moveCenter(QPoint(old.center().x(), area.center().y()));
    else if (alignment() & Qt::AlignRight)
        area.moveRight(old.right());
    if (alignment() & Qt::AlignVCenter) area.moveCenter(QPoint(area.center().x(), old.center().y()));
    setGeometry(area);
}

} // namespace nimbrel
