// A text that opens a web address in the user's browser when clicked (the About box's update link).
#pragma once

#include <QColor>
#include <QLabel>
#include <QString>
#include <QUrl>
#include <functional>

namespace nimbrel {

// Why an address could not be opened; the numbers select the texts of hyperlinkErrorText.
enum HyperlinkResult : int {
    kHyperlinkOpened = 33,
    kHyperlinkAccessDenied = 5,  // not an http or https address: never handed to the desktop
    kHyperlinkNoApplication = 31 // the desktop had no browser for it
};

// "Unable to open hyperlink:\n\n" and the text for a failed result.
QString hyperlinkErrorMessage(int result);

// The text for one failed result alone, "Unknown Error (%d) occurred." for one without its own text.
QString hyperlinkErrorText(int result);

// The address as a URL when it is one that may be opened: http or https with a host. Anything else
// (a file, a program, a command) gives an invalid URL.
QUrl openableWebAddress(const QString& address);

class HyperLink : public QLabel {
    Q_OBJECT
public:
    using Opener = std::function<bool(const QUrl&)>;
    using ErrorReporter = std::function<void(const QString& message)>;

    explicit HyperLink(QWidget* parent = nullptr);
    explicit HyperLink(const QString& text, QWidget* parent = nullptr);

    // The address to open; without one the text itself is the address. A link without text shows its
    // address.
    void setAddress(const QString& address);
    QString address() const;

    void setLinkColour(const QColor& colour);
    void setVisitedColour(const QColor& colour);
    void setHoverColour(const QColor& colour);
    QColor linkColour() const { return linkColour_; }
    QColor visitedColour() const { return visitedColour_; }
    QColor hoverColour() const { return hoverColour_; }
    // The colour the text has now: hover, else visited, else link.
    QColor currentColour() const;

    void setUnderline(bool underline);
    // When on (the default) the control is resized to its text whenever the text changes.
    void setFitToText(bool fit);
    void setText(const QString& text);

    bool isHovering() const { return hovering_; }
    bool isVisited() const { return visited_; }

    // Opens the address as a click does: on success the link is visited from then on; on failure a beep
    // and the error box. Returns the result (kHyperlinkOpened on success).
    int activate();

    // Tests replace the desktop and the message box.
    void setOpener(Opener opener) { opener_ = std::move(opener); }
    void setErrorReporter(ErrorReporter reporter) { reporter_ = std::move(reporter); }

signals:
    void opened(const QUrl& url);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int open() const;
    void refreshLook();
    void fitToText();

    QColor linkColour_{0, 0, 238};
    QColor visitedColour_{85, 26, 139};
    QColor hoverColour_;
    bool hovering_ = false;
    bool visited_ = false;
    bool underline_ = true;
    bool fitToText_ = true;
    QString address_;
    Opener opener_;
    ErrorReporter reporter_;
};

} // namespace nimbrel
