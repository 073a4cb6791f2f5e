// Dialogs built from resource templates over a raw dialog procedure. Each
// instance keeps its own dispatch table (the message map): derived dialogs
// register their handlers in the constructor, and the shared procedure looks
// the message up for the instance that owns the window.
#pragma once

#include <windows.h>

#include <functional>
#include <unordered_map>

#include "Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate);
    ~CDialog() override;

    // Creates the dialog modeless from its template, owned by hOwner. The
    // window is visible only if the template says so.
    BOOL Create(HWND hOwner);
    BOOL DestroyWindow();

    // Keyboard translation before dispatch; TRUE means the message was used.
    // The base lets the dialog manager handle Tab, Enter, Escape and so on.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    // Modeless: hides the window. Modal (CModalDialog): ends the modal loop.
    virtual void EndDialog(int nResult);

    // Offers pMsg to the dialog of this framework that owns its target
    // window, if any. Message loops call this before dispatching.
    static BOOL RoutePreTranslate(MSG* pMsg);

protected:
    // A handler returns true when it handled the message (its result goes to
    // nResult) and false to leave the message to the default processing.
    using MessageHandler = std::function<bool(WPARAM wParam, LPARAM lParam, LRESULT& nResult)>;
    using CommandHandler = std::function<void()>;

    void MapMessage(UINT nMsg, MessageHandler handler);
    void MapCommand(UINT nId, CommandHandler handler);
    // Attaches control nId of this dialog to its wrapper; for DoDataExchange.
    void BindControl(int nId, CWnd& control);

    virtual void DoDataExchange() {}
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    int m_nModalResult = 0;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT nMsg, WPARAM wParam, LPARAM lParam);
    bool DispatchCommand(WPARAM wParam);

    UINT m_nIDTemplate;
    std::unordered_map<UINT, MessageHandler> m_mapMessages;
    std::unordered_map<UINT, CommandHandler> m_mapCommands;
};

// A dialog run modally by a message loop of our own, so that
// PreTranslateMessage sees every message before the dialog manager does.
class CModalDialog : public CDialog {
public:
    using CDialog::CDialog;

    // Disables hOwner, runs the dialog until EndDialog, destroys the window,
    // re-enables hOwner. Returns the EndDialog value, -1 when the window
    // could not be created.
    INT_PTR DoModal(HWND hOwner = nullptr);
    void EndDialog(int nResult) override;

private:
    bool m_bEndModal = false;
};
