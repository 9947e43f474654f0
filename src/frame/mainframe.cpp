#include "frame/mainframe.h"

#include "app/lumettaapp.h"
#include "document/lumettadoc.h"
#include "resources/commandtable.h"
#include "resources/resource.h"
#include "resources/strings.h"
#include "view/lumettaview.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusTipEvent>
#include <QTimer>
#include <QUrl>

namespace {
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
    };
    return map;
}

CMainFrame::CMainFrame(CLumettaDoc* doc, CLumettaApp* app)
    : m_wndStatusBar(this), m_pApp(app), m_pDoc(doc),
      m_router([this]() -> std::vector<CCmdTarget*> {
          return {m_pView, m_pDoc, this, m_pApp};
      }) {
    setWindowTitle(QString::fromUtf8(Str::AppTitle));
    setWindowIcon(QIcon(QStringLiteral(":/icons/zorvek.svg")));
    m_pView = new CLumettaView(this);
    m_pDoc->SetView(m_pView);
    setCentralWidget(m_pView);
    m_pView->OnCreate();
    m_pView->setFocus();

    m_wndStatusBar.SetIndicators({{ID_INDICATOR_LINECOL, QStringLiteral("Ln 99999, Col 9999")},
                                  {ID_INDICATOR_OVR, QStringLiteral("OVR")},
                                  {ID_INDICATOR_MODIFIED, QStringLiteral("*")}});
    setStatusBar(&m_wndStatusBar);

    CreateActions();
    CreateMenus();
    resize(800, 600);

    m_idleConnection = connect(QAbstractEventDispatcher::instance(),
                               &QAbstractEventDispatcher::aboutToBlock, this,
                               &CMainFrame::OnIdleUpdate);
    qApp->installEventFilter(this);
    OnIdleUpdate();
}

CMainFrame::~CMainFrame() {
    disconnect(m_idleConnection);
    qApp->removeEventFilter(this);
    // The view goes first, while the frame it reports to still exists.
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
        auto* action = new QAction(c.menuText ? QString::fromUtf8(c.menuText) : QString(), this);
        if (c.shortcut) {
            action->setShortcut(QKeySequence(QString::fromUtf8(c.shortcut)));
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
    auto* menu = new QMenu(title, this);
    for (const MenuItem& item : items) {
        if (item.id == 0) {
            menu->addSeparator();
        } else if (!item.children.empty()) {
            menu->addMenu(BuildMenu(QString::fromUtf8(item.title), item.children));
        } else if (item.id == ID_FILE_MRU_FILE1) {
            m_recentPlaceholder =
                menu->addAction(QString::fromUtf8(Str::RecentFilePlaceholder));
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

void CMainFrame::CreateMenus() {
    for (const MenuDef& def : MenuBarLayout())
        menuBar()->addMenu(BuildMenu(QString::fromUtf8(def.title), def.items));
    for (int id : std::initializer_list<int>{ID_EDIT_UNDO, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, 0,
                   ID_EDIT_SELECT_ALL}) {
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

void CMainFrame::ShowEditMenu(const QPoint& globalPos) {
    OnIdleUpdate();
    m_editMenu.exec(globalPos);
}

void CMainFrame::DragAcceptFiles(bool accept) { setAcceptDrops(accept); }

void CMainFrame::closeEvent(QCloseEvent* e) {
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
    return QMainWindow::event(e);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* e) {
    // Shortcuts are matched against enabled states that must be current.
    if (e->type() == QEvent::ShortcutOverride)
        OnIdleUpdate();
    return QMainWindow::eventFilter(watched, e);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* e) {
    QStringList files;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    e->acceptProposedAction();
    OnDropFiles(files);
}

void CMainFrame::OnDropFiles(const QStringList& files) {
    // Opened once the drop is over, since opening may ask questions.
    QTimer::singleShot(0, this, [this, files] { m_pApp->OpenDroppedFiles(files); });
}

void CMainFrame::OnViewStatusBar() { m_wndStatusBar.setVisible(m_wndStatusBar.isHidden()); }

void CMainFrame::OnUpdateViewStatusBar(CCmdUI* pCmdUI) { pCmdUI->SetCheck(!m_wndStatusBar.isHidden()); }
