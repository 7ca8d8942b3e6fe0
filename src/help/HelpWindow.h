#pragma once

#include <QTextBrowser>
#include <QWidget>

class QHelpEngine;
class QLayout;
class QLineEdit;
class QListView;
class QModelIndex;
class QSortFilterProxyModel;
class QSplitter;
class QTabWidget;
class QToolButton;

namespace zz::help {

// Serves the qthelp:// pages of the collection to the text browser.
class HelpBrowser final : public QTextBrowser
{
    Q_OBJECT
public:
    explicit HelpBrowser(QWidget *parent = nullptr);
    void setHelpEngine(QHelpEngine *engine) { m_engine = engine; }
    QVariant loadResource(int type, const QUrl &name) override;

protected:
    void changeEvent(QEvent *event) override;

private:
    QString colourRules() const;

    QHelpEngine *m_engine = nullptr;
};

// The help window: contents and index on the left, the topic on the right.
class HelpWindow final : public QWidget
{
    Q_OBJECT
public:
    // Identifiers of the help file's topics the program asks for.
    static inline const QString StartTopic = QStringLiteral("zz.start");
    static inline const QString HelpOnHelpTopic = QStringLiteral("zz.hilfe");
    static QString contextTopic(int contextNumber);

    explicit HelpWindow(const QString &collectionFile, QWidget *parent = nullptr);

    bool hasHelp() const { return m_hasHelp; }
    void showContents();
    void showIndex();
    // False when the help file has no such topic; the window then shows the start page.
    bool showTopic(const QString &identifier);

    QTabWidget *tabs() const { return m_tabs; }
    HelpBrowser *browser() const { return m_browser; }
    QHelpEngine *engine() const { return m_engine; }
    QListView *indexList() const { return m_indexList; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLayout *makeButtonRow();
    QWidget *makePanes();
    void addZoomKeys();
    void connectNavigation();
    bool setUpEngine(const QString &collectionFile);
    void setUpContents();
    void setUpIndex();
    void fitContentsPane();
    void openKeyword(const QModelIndex &item);
    void showMissing(const QString &collectionFile);
    void open(const QUrl &url);
    void syncContents(const QUrl &url);
    QUrl topicUrl(const QString &identifier) const;

    QHelpEngine *m_engine = nullptr;
    QTabWidget *m_tabs = nullptr;
    QLineEdit *m_indexFilter = nullptr;
    QListView *m_indexList = nullptr;
    QSortFilterProxyModel *m_indexOrder = nullptr;
    QSplitter *m_splitter = nullptr;
    HelpBrowser *m_browser = nullptr;
    QToolButton *m_back = nullptr;
    QToolButton *m_forward = nullptr;
    QToolButton *m_home = nullptr;
    bool m_hasHelp = false;
};

} // namespace zz::help
