// Command routing: update objects, per-class handler tables and the chain that carries a command
// from the view through the document and the frame to the application.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

// What an update handler says about one command or status pane.
class CCmdUI {
public:
    explicit CCmdUI(int id) : m_nID(id) {}

    void Enable(bool on = true) { m_bEnabled = on; }
    void SetCheck(int check = 1) { m_nCheck = check; }
    void SetText(const QString& text) {
        m_strText = text;
        m_bTextSet = true;
    }

    int m_nID;
    bool m_bEnabled = true;
    int m_nCheck = -1; // -1: the handler said nothing about a check mark
    QString m_strText;
    bool m_bTextSet = false;
};

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    // Runs the handler for `id` and returns true, or returns false when there is none.
    virtual bool OnCmdMsg(int id) = 0;
    // Runs the update handler for ui.m_nID and returns true, or returns false when there is none.
    virtual bool OnUpdateCmdMsg(CCmdUI& ui) = 0;
    // True when this target has a command handler for `id`.
    virtual bool HasHandler(int id) const = 0;
};

// One row of a class's handler table: a command handler, a handler for a range of ids that
// receives the id, or an update handler.
template <class T> struct MessageMapEntry {
    int idFirst;
    int idLast;
    void (T::*command)() = nullptr;
    void (T::*commandRange)(int) = nullptr;
    void (T::*update)(CCmdUI*) = nullptr;
};

template <class T> MessageMapEntry<T> OnCommand(int id, void (T::*fn)()) {
    return {id, id, fn, nullptr, nullptr};
}
template <class T> MessageMapEntry<T> OnCommandRange(int first, int last, void (T::*fn)(int)) {
    return {first, last, nullptr, fn, nullptr};
}
template <class T> MessageMapEntry<T> OnUpdate(int id, void (T::*fn)(CCmdUI*)) {
    return {id, id, nullptr, nullptr, fn};
}
template <class T> MessageMapEntry<T> OnUpdateRange(int first, int last, void (T::*fn)(CCmdUI*)) {
    return {first, last, nullptr, nullptr, fn};
}

// Implements CCmdTarget for a class T that declares
//   static const std::vector<MessageMapEntry<T>>& GetMessageMap();
// Base is CCmdTarget or a class derived from it.
template <class T, class Base = CCmdTarget> class CCmdTargetImpl : public Base {
public:
    using Base::Base;

    bool OnCmdMsg(int id) override {
        for (const MessageMapEntry<T>& e : T::GetMessageMap()) {
            if (id < e.idFirst || id > e.idLast)
                continue;
            if (e.command) {
                (self()->*e.command)();
                return true;
            }
            if (e.commandRange) {
                (self()->*e.commandRange)(id);
                return true;
            }
        }
        return false;
    }
    bool OnUpdateCmdMsg(CCmdUI& ui) override {
        for (const MessageMapEntry<T>& e : T::GetMessageMap()) {
            if (e.update && ui.m_nID >= e.idFirst && ui.m_nID <= e.idLast) {
                (self()->*e.update)(&ui);
                return true;
            }
        }
        return false;
    }
    bool HasHandler(int id) const override {
        for (const MessageMapEntry<T>& e : T::GetMessageMap())
            if ((e.command || e.commandRange) && id >= e.idFirst && id <= e.idLast)
                return true;
        return false;
    }

private:
    T* self() { return static_cast<T*>(this); }
};

// Offers commands to an ordered chain of targets. A command is enabled when its update handler (if
// any) says so and some target handles it; a disabled command is dropped, wherever it came from.
class CCommandRouter {
public:
    using Chain = std::function<std::vector<CCmdTarget*>()>;

    // `owner` holds the chain's targets: a command held back until a load is over is dropped
    // when it is gone.
    CCommandRouter(Chain chain, QObject* owner) : m_chain(std::move(chain)), m_pOwner(owner) {}

    // Asks the first update handler for `id`; returns the filled update object.
    CCmdUI Query(int id) const;
    bool IsEnabled(int id) const { return Query(id).m_bEnabled; }
    // Runs the command if it is enabled; returns whether a handler ran.
    bool Execute(int id) const;

private:
    Chain m_chain;
    QObject* m_pOwner;
};
