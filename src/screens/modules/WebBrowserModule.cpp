// Quorva run-time. Licensed under the MIT licence.
// The web browser module: Qt WebEngine behind the run-time's web browser interface.
#include "screens/LinkModules.h"

#include <QDir>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEngineView>
#include <QWidget>

namespace {

class QtWebBrowser final : public screens::WebBrowser {
public:
    explicit QtWebBrowser(QWidget* host) : m_host(host) {
        setParent(host);
        m_view = new QWebEngineView(host);
        m_findBar = new QLineEdit(host);
        m_findBar->setPlaceholderText(QStringLiteral("Find"));
        m_findBar->setClearButtonEnabled(true);
        m_findBar->hide();
        QObject::connect(m_findBar, &QLineEdit::returnPressed, this,
                         [this] { Find(m_findBar->text()); });
        m_findBar->installEventFilter(this);
        host->installEventFilter(this);
        QObject::connect(m_view, &QWebEngineView::loadStarted, this, [this] { m_loading = true; });
        QObject::connect(m_view, &QWebEngineView::loadFinished, this, [this] { m_loading = false; });
        Layout();
        m_view->show();
        m_view->raise();
    }

    void Navigate(const QString& url) override {
        // What an operator would type: a local path, a host name without its scheme, or a
        // whole address.
        m_view->load(QUrl::fromUserInput(url, QDir::currentPath(), QUrl::AssumeLocalFile));
    }
    void Back() override { m_view->back(); }
    void Forward() override { m_view->forward(); }
    void Reload() override { m_view->reload(); }
    void Stop() override { m_view->stop(); }
    void Find(const QString& text) override { m_view->findText(text); }
    void ShowFindBar() override {
        m_findBar->show();
        Layout();
        m_findBar->raise();
        m_findBar->setFocus();
        m_findBar->selectAll();
    }
    QString Url() const override { return m_view->url().toString(); }
    QString Title() const override { return m_view->title(); }
    bool Loading() const override { return m_loading; }
    bool CanGoBack() const override { return m_view->history()->canGoBack(); }
    bool CanGoForward() const override { return m_view->history()->canGoForward(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_host && event->type() == QEvent::Resize)
            Layout();
        if (watched == m_findBar && event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            m_findBar->hide();
            m_view->findText(QString()); // clears the highlight
            Layout();
            return true;
        }
        return false;
    }

private:
    void Layout() {
        const QRect area = m_host->rect();
        int top = 0;
        if (!m_findBar->isHidden()) {
            const int height = m_findBar->sizeHint().height();
            m_findBar->setGeometry(area.left(), area.top(), area.width(), height);
            top = height;
        }
        m_view->setGeometry(area.adjusted(0, top, 0, 0));
    }

    QWidget* m_host;
    QWebEngineView* m_view;
    QLineEdit* m_findBar;
    bool m_loading = false;
};

} // namespace

extern "C" {
__attribute__((visibility("default"))) int quorva_link_module_version() {
    return screens::kLinkModuleVersion;
}
__attribute__((visibility("default"))) screens::WebBrowser* quorva_create_web_browser(QWidget* host) {
    return host == nullptr ? nullptr : new QtWebBrowser(host);
}
}
