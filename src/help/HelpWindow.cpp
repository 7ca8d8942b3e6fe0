#include "help/HelpWindow.h"

#include <QAction>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace zz::help {

HelpBrowser::HelpBrowser(QWidget *parent)
    : QTextBrowser(parent)
{
    setOpenExternalLinks(false);
    setOpenLinks(true);
}

QVariant HelpBrowser::loadResource(int type, const QUrl &name)
{
    if (m_engine && name.scheme() == QLatin1String("qthelp"))
        return m_engine->fileData(name);
    return QTextBrowser::loadResource(type, name);
}

QString HelpWindow::contextTopic(int contextNumber)
{
    return QStringLiteral("zz.kontext.%1").arg(contextNumber);
}

HelpWindow::HelpWindow(const QString &collectionFile, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Zedezedidor - Hilfe"));
    setAccessibleName(windowTitle());
    // Left open, the help must not keep the program running after its main window closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(760, 520);

    const auto toolButton = [this](const char *name, const QString &text) {
        auto *button = new QToolButton(this);
        button->setObjectName(QLatin1String(name));
        button->setText(text);
        button->setAccessibleName(text);
        return button;
    };
    m_back = toolButton("btnZurueck", QStringLiteral("Zurück"));
    m_back->setShortcut(QKeySequence::Back);
    m_back->setEnabled(false);
    m_forward = toolButton("btnVor", QStringLiteral("Vor"));
    m_forward->setShortcut(QKeySequence::Forward);
    m_forward->setEnabled(false);
    m_home = toolButton("btnStartseite", QStringLiteral("Startseite"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_back);
    buttons->addWidget(m_forward);
    buttons->addWidget(m_home);
    buttons->addStretch();

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabsHilfe"));
    m_tabs->setAccessibleName(QStringLiteral("Inhalt und Index"));
    m_browser = new HelpBrowser(this);
    m_browser->setObjectName(QStringLiteral("browserHilfe"));
    m_browser->setAccessibleName(QStringLiteral("Hilfethema"));

    auto *splitter = new QSplitter(this);
    splitter->addWidget(m_tabs);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({240, 520});

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(splitter, 1);

    auto *zoomIn = new QAction(this);
    zoomIn->setShortcuts({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    connect(zoomIn, &QAction::triggered, m_browser, [this] { m_browser->zoomIn(); });
    auto *zoomOut = new QAction(this);
    zoomOut->setShortcut(QKeySequence::ZoomOut);
    connect(zoomOut, &QAction::triggered, m_browser, [this] { m_browser->zoomOut(); });
    addActions({zoomIn, zoomOut});

    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::syncContents);

    m_hasHelp = !collectionFile.isEmpty() && setUpEngine(collectionFile);
    if (!m_hasHelp)
        showMissing(collectionFile);
}

bool HelpWindow::setUpEngine(const QString &collectionFile)
{
    m_engine = new QHelpEngine(collectionFile, this);
    // The installed collection lies in a folder the user cannot write to.
    m_engine->setReadOnly(true);
    m_engine->setUsesFilterEngine(true);
    if (!m_engine->setupData())
        return false;
    const QUrl start = topicUrl(StartTopic);
    if (!start.isValid() || m_engine->fileData(start).isEmpty())
        return false;

    m_browser->setHelpEngine(m_engine);

    QHelpContentWidget *contents = m_engine->contentWidget();
    contents->setObjectName(QStringLiteral("treeInhalt"));
    contents->setAccessibleName(QStringLiteral("Inhalt"));
    contents->setHeaderHidden(true);
    m_tabs->addTab(contents, QStringLiteral("&Inhalt"));
    connect(contents, &QHelpContentWidget::linkActivated, this, &HelpWindow::open);
    // The tree is built in the background; mark the page already shown once it is there.
    connect(m_engine->contentModel(), &QHelpContentModel::contentsCreated, this, [this, contents] {
        contents->expandAll();
        syncContents(m_browser->source());
    });

    auto *indexPage = new QWidget;
    indexPage->setObjectName(QStringLiteral("pageIndex"));
    auto *label = new QLabel(QStringLiteral("&Suchen nach:"), indexPage);
    m_indexFilter = new QLineEdit(indexPage);
    m_indexFilter->setObjectName(QStringLiteral("editIndexSuche"));
    m_indexFilter->setAccessibleName(QStringLiteral("Stichwort suchen"));
    label->setBuddy(m_indexFilter);
    QHelpIndexWidget *index = m_engine->indexWidget();
    index->setObjectName(QStringLiteral("listIndex"));
    index->setAccessibleName(QStringLiteral("Index"));
    auto *indexLayout = new QVBoxLayout(indexPage);
    indexLayout->addWidget(label);
    indexLayout->addWidget(m_indexFilter);
    indexLayout->addWidget(index, 1);
    m_tabs->addTab(indexPage, QStringLiteral("In&dex"));

    connect(m_indexFilter, &QLineEdit::textChanged, index,
            [index](const QString &text) { index->filterIndices(text); });
    connect(m_indexFilter, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink &document) { open(document.url); });
    // A keyword used on several pages: take the first, which is the main topic.
    connect(index, &QHelpIndexWidget::documentsActivated, this,
            [this](const QList<QHelpLink> &documents) {
                if (!documents.isEmpty())
                    open(documents.first().url);
            });

    connect(m_home, &QToolButton::clicked, this, [this] { open(topicUrl(StartTopic)); });
    return true;
}

void HelpWindow::showMissing(const QString &collectionFile)
{
    const QString name = collectionFile.isEmpty() ? QStringLiteral("Zedezedidor.qhc")
                                                  : QFileInfo(collectionFile).fileName();
    m_tabs->setEnabled(false);
    m_home->setEnabled(false);
    m_browser->setHtml(
        QStringLiteral("<html><head><title>Hilfe nicht verfügbar</title></head><body>"
                       "<h2>Hilfe nicht verfügbar</h2>"
                       "<p>Die Hilfedatei „%1“ wurde nicht gefunden oder ist unvollständig.</p>"
                       "<p>Sie wird mit dem Programm installiert und im Datenordner von "
                       "Zedezedidor oder neben dem Programm gesucht. Installieren Sie das "
                       "Programm erneut, um die Hilfe wiederherzustellen.</p>"
                       "</body></html>")
            .arg(name.toHtmlEscaped()));
}

QUrl HelpWindow::topicUrl(const QString &identifier) const
{
    if (!m_engine)
        return {};
    const QList<QHelpLink> links = m_engine->documentsForIdentifier(identifier);
    return links.isEmpty() ? QUrl() : links.first().url;
}

void HelpWindow::open(const QUrl &url)
{
    if (url.isValid())
        m_browser->setSource(url);
}

void HelpWindow::syncContents(const QUrl &url)
{
    if (!m_engine || !url.isValid())
        return;
    QHelpContentWidget *contents = m_engine->contentWidget();
    const QModelIndex item = contents->indexOf(url);
    if (item.isValid())
        contents->setCurrentIndex(item);
}

void HelpWindow::showContents()
{
    if (!m_hasHelp)
        return;
    m_tabs->setCurrentIndex(0);
    open(topicUrl(StartTopic));
    m_engine->contentWidget()->setFocus();
}

void HelpWindow::showIndex()
{
    if (!m_hasHelp)
        return;
    m_tabs->setCurrentIndex(1);
    if (!m_browser->source().isValid())
        open(topicUrl(StartTopic));
    m_indexFilter->setFocus();
    m_indexFilter->selectAll();
}

bool HelpWindow::showTopic(const QString &identifier)
{
    if (!m_hasHelp)
        return false;
    m_tabs->setCurrentIndex(0);
    const QUrl url = topicUrl(identifier);
    open(url.isValid() ? url : topicUrl(StartTopic));
    m_browser->setFocus();
    return url.isValid();
}

void HelpWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace zz::help
