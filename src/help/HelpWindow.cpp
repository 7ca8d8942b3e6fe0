#include "help/HelpWindow.h"

#include "help/Colours.h"

#include <QAction>
#include <QCollator>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexModel>
#include <QHelpLink>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace zz::help {

namespace {

constexpr double kPointsPerInch = 72;
// Headings in the help's own dark blue, where the page lets it be read.
const QColor kHeadingColour(0x1f, 0x3f, 0x7f);
constexpr QSize kStartSize(760, 520);
constexpr int kContentsWidth = 240;
constexpr int kPageWidth = 520;

// The index in the order of a German dictionary: Ä with A, Ü with U, ß as ss.
class GermanOrder final : public QSortFilterProxyModel
{
public:
    explicit GermanOrder(QObject *parent)
        : QSortFilterProxyModel(parent), m_collator(QLocale(QLocale::German, QLocale::Germany))
    {
        m_collator.setCaseSensitivity(Qt::CaseInsensitive);
        m_collator.setNumericMode(true);
    }

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override
    {
        return m_collator.compare(left.data().toString(), right.data().toString()) < 0;
    }

private:
    QCollator m_collator;
};

} // namespace

HelpBrowser::HelpBrowser(QWidget *parent)
    : QTextBrowser(parent)
{
    setOpenExternalLinks(false);
    setOpenLinks(true);
    // A caret, so a screen reader reads the topic line by line with the arrow keys.
    setTextInteractionFlags(textInteractionFlags() | Qt::TextSelectableByKeyboard);
    // Zooming steps the point size; a font given in pixels, as the program's
    // window font is, has none, and Ctrl+Plus or Ctrl+wheel would do nothing.
    QFont pageFont = font();
    if (pageFont.pixelSize() > 0) {
        pageFont.setPointSizeF(pageFont.pixelSize() * kPointsPerInch / logicalDpiY());
        setFont(pageFont);
    }
}

QVariant HelpBrowser::loadResource(int type, const QUrl &name)
{
    if (m_engine && name.scheme() == QLatin1String("qthelp")) {
        QByteArray data = m_engine->fileData(name);
        if (type == QTextDocument::StyleSheetResource)
            data += colourRules().toUtf8();
        return data;
    }
    return QTextBrowser::loadResource(type, name);
}

// The pages' colours are made for dark text on a light page. Under another
// colour scheme the headings, links and tip boxes take colours that can be
// read on the scheme's page background; on a light page they stay as made.
QString HelpBrowser::colourRules() const
{
    const QPalette p = palette();
    const QColor page = p.color(QPalette::Base);
    const QColor text = p.color(QPalette::Text);
    QColor tip(0xee, 0xf4, 0xff);
    for (const QColor &candidate : {p.color(QPalette::AlternateBase), page}) {
        if (contrastRatio(text, tip) >= kReadableContrast)
            break;
        tip = candidate;
    }
    const QColor link = p.color(QPalette::Link);
    return QStringLiteral("\nh1, h2 { color: %1; }\na { color: %2; }\n"
                          ".tipp { background-color: %3; }\n.tipp a { color: %4; }\n")
        .arg(readableOn(kHeadingColour, page, text).name(), readableOn(link, page, text).name(),
             tip.name(), readableOn(link, tip, text).name());
}

void HelpBrowser::changeEvent(QEvent *event)
{
    QTextBrowser::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && source().isValid())
        reload();
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
    resize(kStartSize);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(makeButtonRow());
    layout->addWidget(makePanes(), 1);
    addZoomKeys();
    connectNavigation();

    m_hasHelp = !collectionFile.isEmpty() && setUpEngine(collectionFile);
    if (!m_hasHelp)
        showMissing(collectionFile);
}

QLayout *HelpWindow::makeButtonRow()
{
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
    return buttons;
}

// Contents and index on the left, the topic on the right.
QWidget *HelpWindow::makePanes()
{
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabsHilfe"));
    m_tabs->setAccessibleName(QStringLiteral("Inhalt und Index"));
    m_browser = new HelpBrowser(this);
    m_browser->setObjectName(QStringLiteral("browserHilfe"));
    m_browser->setAccessibleName(QStringLiteral("Hilfethema"));

    m_splitter = new QSplitter(this);
    m_splitter->addWidget(m_tabs);
    m_splitter->addWidget(m_browser);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({kContentsWidth, kPageWidth});
    return m_splitter;
}

void HelpWindow::addZoomKeys()
{
    auto *zoomIn = new QAction(this);
    zoomIn->setShortcuts({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    connect(zoomIn, &QAction::triggered, m_browser, [this] { m_browser->zoomIn(); });
    auto *zoomOut = new QAction(this);
    zoomOut->setShortcut(QKeySequence::ZoomOut);
    connect(zoomOut, &QAction::triggered, m_browser, [this] { m_browser->zoomOut(); });
    addActions({zoomIn, zoomOut});
}

void HelpWindow::connectNavigation()
{
    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::syncContents);
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
    setUpContents();
    setUpIndex();
    connect(m_home, &QToolButton::clicked, this, [this] { open(topicUrl(StartTopic)); });
    return true;
}

void HelpWindow::setUpContents()
{
    QHelpContentWidget *contents = m_engine->contentWidget();
    contents->setObjectName(QStringLiteral("treeInhalt"));
    contents->setAccessibleName(QStringLiteral("Inhalt"));
    contents->setHeaderHidden(true);
    m_tabs->addTab(contents, QStringLiteral("&Inhalt"));
    connect(contents, &QHelpContentWidget::linkActivated, this, &HelpWindow::open);
    // One click shows a topic, as in any table of contents; a click on the
    // arrow only folds and emits no click.
    connect(contents, &QTreeView::clicked, this, [this](const QModelIndex &item) {
        if (QHelpContentItem *topic = m_engine->contentModel()->contentItemAt(item))
            open(topic->url());
    });
    // The tree is built in the background; mark the page already shown once it is there.
    connect(m_engine->contentModel(), &QHelpContentModel::contentsCreated, this, [this, contents] {
        contents->expandAll();
        fitContentsPane();
        syncContents(m_browser->source());
    });
}

// Wide enough for the longest title, so no topic is cut off at the window's first size.
void HelpWindow::fitContentsPane()
{
    QHelpContentWidget *contents = m_engine->contentWidget();
    const int frame = 2 * contents->frameWidth();
    const int tabFrame = m_tabs->isVisible() ? m_tabs->width() - contents->width()
                                             : 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 4;
    // Called through the base class, where it is public.
    const int needed = static_cast<QAbstractItemView *>(contents)->sizeHintForColumn(0) + frame + tabFrame
                       + contents->verticalScrollBar()->sizeHint().width();
    QList<int> sizes = m_splitter->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    if (sizes.value(0) >= needed || total <= needed)
        return;
    m_splitter->setSizes({needed, total - needed});
}

void HelpWindow::setUpIndex()
{
    auto *indexPage = new QWidget;
    indexPage->setObjectName(QStringLiteral("pageIndex"));
    auto *label = new QLabel(QStringLiteral("&Suchen nach:"), indexPage);
    m_indexFilter = new QLineEdit(indexPage);
    m_indexFilter->setObjectName(QStringLiteral("editIndexSuche"));
    m_indexFilter->setAccessibleName(QStringLiteral("Stichwort suchen"));
    label->setBuddy(m_indexFilter);

    // Qt's own index view keeps the engine's order, which puts every umlaut
    // after Z; this list shows the same model through a German sort.
    QHelpIndexModel *keywords = m_engine->indexModel();
    m_indexOrder = new GermanOrder(this);
    m_indexOrder->setSourceModel(keywords);
    m_indexOrder->sort(0);
    m_indexList = new QListView(indexPage);
    m_indexList->setObjectName(QStringLiteral("listIndex"));
    m_indexList->setAccessibleName(QStringLiteral("Index"));
    m_indexList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_indexList->setUniformItemSizes(true);
    m_indexList->setModel(m_indexOrder);

    auto *indexLayout = new QVBoxLayout(indexPage);
    indexLayout->addWidget(label);
    indexLayout->addWidget(m_indexFilter);
    indexLayout->addWidget(m_indexList, 1);
    m_tabs->addTab(indexPage, QStringLiteral("In&dex"));

    // The model narrows itself to the keywords containing the text and names the best match.
    connect(m_indexFilter, &QLineEdit::textChanged, this, [this, keywords](const QString &text) {
        const QModelIndex best = keywords->filter(text);
        if (best.isValid())
            m_indexList->setCurrentIndex(m_indexOrder->mapFromSource(best));
    });
    connect(m_indexFilter, &QLineEdit::returnPressed, this,
            [this] { openKeyword(m_indexList->currentIndex()); });
    connect(m_indexList, &QListView::activated, this, &HelpWindow::openKeyword);
}

// A keyword used on several pages: the first is the main topic.
void HelpWindow::openKeyword(const QModelIndex &item)
{
    if (!item.isValid())
        return;
    const QList<QHelpLink> documents = m_engine->documentsForKeyword(item.data().toString());
    if (!documents.isEmpty())
        open(documents.first().url);
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
