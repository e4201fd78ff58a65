// ConnectionPane: the status bar's second pane, a picture that says whether the station is attached.
#pragma once

#include <QString>
#include <QWidget>

namespace nimbrel {

class ConnectionPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 90;
    static constexpr int kHeight = 37;

    // The two texts are the pictures' tooltips ("connected", "Not connected").
    ConnectionPane(const QString& connectedText, const QString& notConnectedText, QWidget* parent = nullptr);

    bool isConnected() const { return connected_; }
    void setConnected(bool connected);
    // Lines under the state in the tooltip: how the link to the station is doing.
    void setDetails(const QString& details);

    QSize sizeHint() const override { return {kWidth, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showToolTip();

    QString connectedText_;
    QString notConnectedText_;
    QString details_;
    bool connected_ = false;
};

} // namespace nimbrel
