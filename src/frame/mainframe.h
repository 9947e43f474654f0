// The main window: the menu bar and shortcuts built from the command table, the status bar, and
// the routing of every command to the view, the document, the frame and the application.
#pragma once

#include "frame/commandmenu.h"
#include "frame/statusmessagebar.h"
#include "framework/cmdtarget.h"
#include "framework/framewnd.h"

#include <QMenu>

#include <map>
#include <memory>

class CHexView;
class CInsertFile;
class CLumettaDoc;
class CLumettaView;
class CSearchCommands;
class CWinApp;
class QAction;
class QToolBar;

class CMainFrame : public CFrameWnd, public CCmdTargetImpl<CMainFrame> {
    Q_OBJECT
public:
    CMainFrame(CLumettaDoc* doc, CWinApp* app);
    ~CMainFrame() override;

    CLumettaView* View() const { return m_pView; }
    const CCommandRouter& Router() const override { return m_router; }
    void ShowStatusMessage(const QString& text, bool bBeep) override;
    void SetProgress(int percent) override;
    QAction* Action(int id) const;

    // Recomputes check marks, enabled states and status panes, as at every idle moment.
    void OnIdleUpdate();
    void ShowEditMenu(const QPoint& globalPos) override;
    // A menu item was selected (flags other than 0xFFFF) or the menu closed (0xFFFF, no menu):
    // pane 0 takes the whole bar while a menu is open, so that prompts show whole.
    void OnMenuSelect(int itemId, unsigned flags, QMenu* menu);
    QToolBar* ToolBar() const { return m_wndToolBar; }
    // A floating toolbar that no screen shows whole, or shrunk below its least size.
    bool IsToolBarLost() const;
    void DragAcceptFiles(bool accept);
    void OnDropFiles(const QStringList& files) override;

    static const std::vector<MessageMapEntry<CMainFrame>>& GetMessageMap();

    unsigned m_nSavedPaneID = 0;
    unsigned m_nSavedPaneStyle = 0;
    int m_cxSavedPane = -1;
    CStatusMessageBar m_wndStatusBar;

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void ApplyStoredPlacement();
    // Once the window system has put its frame round the window, the frame too must fit.
    void FitFrameOnScreen();
    void CreateToolBar();
    void UpdateToolbarIcons();
    void LoadBarState(const QString& section);
    void SaveBarState(const QString& section);
    void CreateActions();
    void CreateMenus();
    QMenu* BuildMenu(const QString& title, const std::vector<struct MenuItem>& items);
    void UpdateRecentFileMenu();

    void OnViewStatusBar();
    void OnUpdateViewStatusBar(CCmdUI* pCmdUI);
    void OnViewToolBar();
    void OnUpdateViewToolBar(CCmdUI* pCmdUI);

    CWinApp* m_pApp;
    CLumettaDoc* m_pDoc;
    CLumettaView* m_pView = nullptr;
    // The commands on the view that live beside it: search, hexadecimal view, insert file.
    std::unique_ptr<CSearchCommands> m_pSearch;
    std::unique_ptr<CHexView> m_pHexView;
    std::unique_ptr<CInsertFile> m_pInsertFile;
    CCommandRouter m_router;
    QToolBar* m_wndToolBar = nullptr;
    std::map<int, QAction*> m_actions;
    QAction* m_recentPlaceholder = nullptr;
    CCommandMenu m_editMenu;
    QMetaObject::Connection m_idleConnection;
    bool m_bFrameFitted = false;
};
