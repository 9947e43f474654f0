#include "frame/mainframe.h"

#include "document/hexview.h"
#include "document/insertfile.h"
#include "document/lumettadoc.h"
#include "frame/toolbaricons.h"
#include "frame/windowplacement.h"
#include "framework/filename.h"
#include "framework/loadguard.h"
#include "framework/winapp.h"
#include "resources/commandtable.h"
#include "resources/resource.h"
#include "resources/strings.h"
#include "search/searchcommands.h"
#include "view/lumettaview.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

// The icons are compiled into the library; the linker keeps them only when asked for.
static void InitResources() {
    Q_INIT_RESOURCE(zorvek);
}

namespace {
const QString kSettings = QStringLiteral("Editor/Viewer Settings");
constexpr unsigned SBPS_NOBORDERS = 0x00000100;
constexpr unsigned SBPS_STRETCH = 0x08000000;

QString PromptPart(const char* prompt, bool tooltip) {
    if (!prompt)
        return QString();
    const QString text = QString::fromUtf8(prompt);
    const qsizetype nl = text.indexOf(QLatin1Char('\n'));
    if (tooltip)
        return nl < 0 ? QString() : text.mid(nl + 1);
    return nl < 0 ? text : text.left(nl);
}
} // namespace

const std::vector<MessageMapEntry<CMainFrame>>& CMainFrame::GetMessageMap() {
    using T = CMainFrame;
    static const std::vector<MessageMapEntry<T>> map = {
        OnCommand<T>(ID_VIEW_STATUS_BAR, &T::OnViewStatusBar),
        OnUpdate<T>(ID_VIEW_STATUS_BAR, &T::OnUpdateViewStatusBar),
        OnCommand<T>(ID_VIEW_TOOLBAR, &T::OnViewToolBar),
        OnUpdate<T>(ID_VIEW_TOOLBAR, &T::OnUpdateViewToolBar),
    };
    return map;
}

CMainFrame::CMainFrame(CLumettaDoc* doc, CWinApp* app)
    : m_wndStatusBar(this), m_pApp(app), m_pDoc(doc),
      m_router(
          [this]() -> std::vector<CCmdTarget*> {
              return {m_pView, m_pSearch.get(), m_pHexView.get(), m_pInsertFile.get(),
                      m_pDoc,  this,            m_pApp};
          },
          this) {
    InitResources();
    setWindowTitle(QString::fromUtf8(Str::AppTitle));
    setWindowIcon(QIcon(QStringLiteral(":/icons/zorvek.svg")));
    m_pView = new CLumettaView(this);
    m_pSearch = std::make_unique<CSearchCommands>(*m_pView);
    m_pHexView = std::make_unique<CHexView>(*m_pView, *m_pDoc);
    m_pInsertFile = std::make_unique<CInsertFile>(*m_pView);
    m_pDoc->SetView(m_pView);
    setCentralWidget(m_pView);
    m_pView->OnCreate();
    m_pView->setFocus();

    m_wndStatusBar.SetIndicators({{ID_INDICATOR_LINECOL, QStringLiteral("Ln 99999, Col 9999")},
                                  {ID_INDICATOR_OVR, QStringLiteral("OVR")},
                                  {ID_INDICATOR_MODIFIED, QStringLiteral("*")},
                                  {ID_INDICATOR_ENCODING, QStringLiteral("Windows-1252  mixed")}});
    setStatusBar(&m_wndStatusBar);
    m_wndStatusBar.SetClickable(ID_INDICATOR_ENCODING, QString::fromUtf8(Str::EncodingPaneTip));
    connect(&m_wndStatusBar, &CStatusMessageBar::PaneClicked, this, [this](int id) {
        if (id == ID_INDICATOR_ENCODING)
            Router().Execute(ID_FILE_REOPEN_ENCODING);
    });

    CreateActions();
    CreateMenus();
    CreateToolBar();
    ApplyStoredPlacement();
    LoadBarState(kSettings);

    m_idleConnection =
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                &CMainFrame::OnIdleUpdate);
    qApp->installEventFilter(this);
    OnIdleUpdate();
}

CMainFrame::~CMainFrame() {
    disconnect(m_idleConnection);
    qApp->removeEventFilter(this);
    // The view goes first, while the frame it reports to still exists.
    m_pSearch.reset();
    m_pHexView.reset();
    m_pInsertFile.reset();
    delete takeCentralWidget();
    m_pView = nullptr;
    m_pDoc->SetView(nullptr);
}

QAction* CMainFrame::Action(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions() {
    for (const CommandInfo& c : CommandTable()) {
        const bool recent = c.id >= ID_FILE_MRU_FILE1 && c.id <= ID_FILE_MRU_FILE4;
        if (!c.menuText && !recent)
            continue;
        auto* action = new QAction(this);
        if (c.menuText)
            CCommandMenu::SetMenuText(action, QString::fromUtf8(c.menuText));
        if (c.shortcut) {
            action->setShortcuts(QKeySequence::listFromString(QString::fromUtf8(c.shortcut)));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        action->setStatusTip(PromptPart(c.prompt, false));
        action->setToolTip(PromptPart(c.prompt, true));
        const int id = c.id;
        connect(action, &QAction::triggered, this, [this, id] { m_router.Execute(id); });
        addAction(action); // shortcuts work while the menu bar is hidden, too
        m_actions[id] = action;
    }
}

QMenu* CMainFrame::BuildMenu(const QString& title, const std::vector<MenuItem>& items) {
    auto* menu = new CCommandMenu(title, this);
    for (const MenuItem& item : items) {
        if (item.id == 0) {
            menu->addSeparator();
        } else if (!item.children.empty()) {
            menu->addMenu(BuildMenu(QString::fromUtf8(item.title), item.children));
        } else if (item.id == ID_FILE_MRU_FILE1) {
            m_recentPlaceholder = menu->addAction(QString::fromUtf8(Str::RecentFilePlaceholder));
            m_recentPlaceholder->setEnabled(false);
            for (int id = ID_FILE_MRU_FILE1; id <= ID_FILE_MRU_FILE4; ++id)
                menu->addAction(Action(id));
            connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateRecentFileMenu);
        } else if (QAction* action = Action(item.id)) {
            menu->addAction(action);
        }
    }
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::OnIdleUpdate);
    return menu;
}

void CMainFrame::ApplyStoredPlacement() {
    RECT rect;
    m_pApp->GetProfileRect(kSettings, rect);
    const QList<QRect> screens = AvailableScreenAreas();
    const QSize normal(800, 600);
    if (rect == rectDefault) {
        // The window system chooses where; the size still has to fit the screen.
        resize(FitToScreens({0, 0, normal.width(), normal.height()}, screens.mid(0, 1), normal)
                   .size());
        return;
    }
    // Windows started together step down and to the right, a title bar's height each.
    const int step = m_pApp->m_nWindowCascade * (fontMetrics().height() + 12);
    // A rectangle stored on another desktop, or damaged, must not open a window that no screen
    // can show or that takes the machine's memory.
    setGeometry(
        FitToScreens({rect.left + step, rect.top + step, rect.right + step, rect.bottom + step},
                     screens, normal));
}

void CMainFrame::showEvent(QShowEvent* e) {
    CFrameWnd::showEvent(e);
    FitFrameOnScreen();
    QTimer::singleShot(300, this, &CMainFrame::FitFrameOnScreen);
}

void CMainFrame::FitFrameOnScreen() {
    // The window manager's frame may come only after the window shows; until then there is
    // nothing to fit.
    if (m_bFrameFitted || !isVisible() || frameGeometry() == geometry())
        return;
    m_bFrameFitted = true;
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    const QRect frame = frameGeometry();
    const QList<QRect> screens = AvailableScreenAreas();
    if (FitsOnAScreen(frame, screens))
        return;
    const QRect inner = geometry();
    const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(),
                           frame.right() - inner.right(), frame.bottom() - inner.bottom());
    const QRect fitted = FitToScreens(
        {frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height()},
        screens, frame.size());
    setGeometry(fitted.marginsRemoved(margins));
}

void CMainFrame::CreateToolBar() {
    m_wndToolBar = new QToolBar(QString::fromUtf8(Str::ToolbarCaption), this);
    m_wndToolBar->setObjectName(QStringLiteral("toolbar%1").arg(ID_VIEW_TOOLBAR));
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setIconSize(QSize(16, 16));
    for (int id : ToolbarLayout()) {
        if (id == 0) {
            m_wndToolBar->addSeparator();
            continue;
        }
        QAction* action = Action(id);
        m_wndToolBar->addAction(action);
        // Read out as its tool tip says, without the key: "Indent Right", not "Increase".
        QString spoken = action->toolTip();
        if (const qsizetype key = spoken.indexOf(QLatin1String(" (")); key > 0)
            spoken.truncate(key);
        if (QWidget* button = m_wndToolBar->widgetForAction(action); button && !spoken.isEmpty())
            button->setAccessibleName(spoken);
    }
    UpdateToolbarIcons();
    addToolBar(Qt::LeftToolBarArea, m_wndToolBar);
}

void CMainFrame::UpdateToolbarIcons() {
    const QColor ink = palette().color(QPalette::WindowText);
    for (const CommandInfo& c : CommandTable())
        if (QAction* action = c.iconName ? Action(c.id) : nullptr)
            action->setIcon(ToolbarIcon(QString::fromUtf8(c.iconName), ink));
}

void CMainFrame::changeEvent(QEvent* e) {
    CFrameWnd::changeEvent(e);
    if (m_wndToolBar && (e->type() == QEvent::PaletteChange ||
                          e->type() == QEvent::ApplicationPaletteChange))
        UpdateToolbarIcons(); // drawn again in the ink of the new palette
}

// The bars' layout is kept under the base name, as the window system's own record of where the
// toolbar is docked or floats, and the visibility of each bar.
void CMainFrame::LoadBarState(const QString& section) {
    const QString summary = section + QStringLiteral("-Summary");
    const QByteArray state = QByteArray::fromBase64(
        m_pApp->GetProfileString(summary, QStringLiteral("State")).toLatin1());
    if (!state.isEmpty())
        restoreState(state);
    if (m_wndToolBar->isFloating()) {
        // Floated on a larger screen, it could come back out of sight or as a sliver.
        const QRect stored = m_wndToolBar->geometry();
        const QSize size = stored.size().expandedTo(m_wndToolBar->sizeHint());
        m_wndToolBar->setGeometry(FitToScreens(
            {stored.x(), stored.y(), stored.x() + size.width(), stored.y() + size.height()},
            AvailableScreenAreas(), size));
    }
    for (int i = 0; i < 2; ++i) {
        const QString bar = section + QStringLiteral("-Bar%1").arg(i);
        const int id = m_pApp->GetProfileInt(bar, QStringLiteral("BarID"), 0);
        const bool visible = m_pApp->GetProfileInt(bar, QStringLiteral("Visible"), 1) != 0;
        if (id == ID_VIEW_TOOLBAR)
            m_wndToolBar->setVisible(visible);
        else if (id == ID_VIEW_STATUS_BAR)
            m_wndStatusBar.setVisible(visible);
    }
}

void CMainFrame::SaveBarState(const QString& section) {
    const QString summary = section + QStringLiteral("-Summary");
    m_pApp->WriteProfileInt(summary, QStringLiteral("Bars"), 2);
    const QSize screen = this->screen() ? this->screen()->size() : QSize();
    m_pApp->WriteProfileInt(summary, QStringLiteral("ScreenCX"), screen.width());
    m_pApp->WriteProfileInt(summary, QStringLiteral("ScreenCY"), screen.height());
    m_pApp->WriteProfileString(summary, QStringLiteral("State"),
                               QString::fromLatin1(saveState().toBase64()));
    const std::pair<int, QWidget*> bars[] = {{ID_VIEW_TOOLBAR, m_wndToolBar},
                                             {ID_VIEW_STATUS_BAR, &m_wndStatusBar}};
    for (int i = 0; i < 2; ++i) {
        const QString bar = section + QStringLiteral("-Bar%1").arg(i);
        m_pApp->WriteProfileInt(bar, QStringLiteral("BarID"), bars[i].first);
        m_pApp->WriteProfileInt(bar, QStringLiteral("Visible"), !bars[i].second->isHidden());
        if (bars[i].first == ID_VIEW_TOOLBAR) {
            m_pApp->WriteProfileInt(bar, QStringLiteral("Floating"), m_wndToolBar->isFloating());
            m_pApp->WriteProfileInt(bar, QStringLiteral("Docking"), toolBarArea(m_wndToolBar));
            m_pApp->WriteProfileInt(bar, QStringLiteral("XPos"), m_wndToolBar->x());
            m_pApp->WriteProfileInt(bar, QStringLiteral("YPos"), m_wndToolBar->y());
        }
    }
}

void CMainFrame::OnMenuSelect(int itemId, unsigned flags, QMenu* menu) {
    Q_UNUSED(itemId);
    const bool closed = flags == 0xFFFF && menu == nullptr;
    if (closed) {
        if (m_cxSavedPane != -1) {
            for (int i = 1; i < m_wndStatusBar.GetPaneCount(); ++i)
                m_wndStatusBar.Pane(i)->show();
            m_cxSavedPane = -1;
        }
        return;
    }
    if (m_cxSavedPane == -1) {
        m_nSavedPaneID = static_cast<unsigned>(m_wndStatusBar.GetPaneId(0));
        m_nSavedPaneStyle = SBPS_STRETCH | SBPS_NOBORDERS;
        m_cxSavedPane = m_wndStatusBar.Pane(0)->width();
        // Pane 0 takes the whole bar: the indicator panes go out of view.
        for (int i = 1; i < m_wndStatusBar.GetPaneCount(); ++i)
            m_wndStatusBar.Pane(i)->hide();
    }
}

void CMainFrame::CreateMenus() {
    for (const MenuDef& def : MenuBarLayout()) {
        QMenu* menu = BuildMenu(QString::fromUtf8(def.title), def.items);
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { OnMenuSelect(0, 0x10, menu); });
        connect(menu, &QMenu::aboutToHide, this, [this] { OnMenuSelect(0, 0xFFFF, nullptr); });
        menuBar()->addMenu(menu);
    }
    for (int id : std::initializer_list<int>{ID_EDIT_UNDO, ID_EDIT_REDO, 0, ID_EDIT_CUT,
                                             ID_EDIT_COPY, ID_EDIT_PASTE, 0, ID_EDIT_SELECT_ALL}) {
        if (id == 0)
            m_editMenu.addSeparator();
        else
            m_editMenu.addAction(Action(id));
    }
    UpdateRecentFileMenu();
}

void CMainFrame::UpdateRecentFileMenu() {
    const CRecentFileList& recent = m_pApp->RecentFiles();
    m_recentPlaceholder->setVisible(recent.GetCount() == 0);
    for (int i = 0; i < recent.GetSize(); ++i) {
        QAction* action = Action(ID_FILE_MRU_FILE1 + i);
        action->setVisible(i < recent.GetCount());
        if (i < recent.GetCount())
            action->setText(recent.GetMenuText(i));
    }
}

void CMainFrame::OnIdleUpdate() {
    if (!m_pView)
        return;
    for (const auto& [id, action] : m_actions) {
        const CCmdUI ui = m_router.Query(id);
        if (action->isEnabled() != ui.m_bEnabled)
            action->setEnabled(ui.m_bEnabled);
        if (ui.m_nCheck >= 0) {
            action->setCheckable(true);
            if (action->isChecked() != (ui.m_nCheck != 0))
                action->setChecked(ui.m_nCheck != 0);
        }
    }
    for (int i = 1; i < m_wndStatusBar.GetPaneCount(); ++i) {
        CCmdUI ui(m_wndStatusBar.GetPaneId(i));
        if (m_pView->OnUpdateCmdMsg(ui) && ui.m_bTextSet)
            m_wndStatusBar.SetPaneText(i, ui.m_strText);
    }
}

void CMainFrame::ShowStatusMessage(const QString& text, bool bBeep) {
    m_wndStatusBar.ShowMessage(text, bBeep);
}

void CMainFrame::SetProgress(int percent) {
    m_wndStatusBar.SetProgress(percent);
}

void CMainFrame::ShowEditMenu(const QPoint& globalPos) {
    OnIdleUpdate();
    m_editMenu.exec(globalPos);
}

void CMainFrame::DragAcceptFiles(bool accept) {
    setAcceptDrops(accept);
}

void CMainFrame::closeEvent(QCloseEvent* e) {
    if (m_pApp->m_bPersistSettings) {
        // The normal (not maximised) placement; written even if the close is then cancelled.
        const QRect r =
            isMaximized() || isMinimized() || isFullScreen() ? normalGeometry() : geometry();
        m_pApp->WriteProfileRect(
            kSettings, RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
        SaveBarState(kSettings);
    }
    if (!m_pDoc->SaveModified()) {
        e->ignore();
        return;
    }
    e->accept();
}

bool CMainFrame::event(QEvent* e) {
    if (e->type() == QEvent::StatusTip) {
        // Menu and toolbar prompts go to the message pane; the idle text when they end.
        const QString tip = static_cast<QStatusTipEvent*>(e)->tip();
        m_wndStatusBar.SetPaneText(0, tip.isEmpty() ? m_wndStatusBar.m_strIdleText : tip);
        return true;
    }
    return CFrameWnd::event(e);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* e) {
    // Shortcuts are matched against enabled states that must be current.
    if (e->type() == QEvent::ShortcutOverride)
        OnIdleUpdate();
    return CFrameWnd::eventFilter(watched, e);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* e) {
    const QStringList files = LocalFilesOf(e->mimeData());
    e->acceptProposedAction();
    OnDropFiles(files);
}

void CMainFrame::OnDropFiles(const QStringList& files) {
    // Opened once the drop is over, since opening may ask questions, and once any load under
    // way is over.
    QTimer::singleShot(0, this, [this, files] {
        CLoadGuard::WhenDone(this, [this, files] { m_pApp->OpenDroppedFiles(files); });
    });
}

void CMainFrame::OnViewStatusBar() {
    m_wndStatusBar.setVisible(m_wndStatusBar.isHidden());
}

bool CMainFrame::IsToolBarLost() const {
    if (!m_wndToolBar->isFloating())
        return false;
    const QSize least = m_wndToolBar->minimumSizeHint();
    return m_wndToolBar->width() < least.width() || m_wndToolBar->height() < least.height() ||
           !FitsOnAScreen(m_wndToolBar->geometry(), AvailableScreenAreas());
}

void CMainFrame::OnViewToolBar() {
    if (IsToolBarLost()) {
        // Nothing else could bring it back: it returns docked at the edge it belongs to.
        const Qt::ToolBarArea area = toolBarArea(m_wndToolBar);
        addToolBar(area == Qt::NoToolBarArea ? Qt::LeftToolBarArea : area, m_wndToolBar);
        m_wndToolBar->show();
        return;
    }
    m_wndToolBar->setVisible(m_wndToolBar->isHidden());
}

void CMainFrame::OnUpdateViewToolBar(CCmdUI* pCmdUI) {
    pCmdUI->SetCheck(!m_wndToolBar->isHidden());
}

void CMainFrame::OnUpdateViewStatusBar(CCmdUI* pCmdUI) {
    pCmdUI->SetCheck(!m_wndStatusBar.isHidden());
}
