#pragma once
// What the bus tree view needs of its document: a way to scan every bus again.
class CBusRescanner {
public:
    // Rebuilds the tree of functions and announces it with the model-rebuilt hint.
    virtual void RescanBus() = 0;
    // Whether a rescan can read anything; Refresh is offered only then.
    virtual bool CanRescan() const { return true; }

protected:
    ~CBusRescanner() = default;
};
