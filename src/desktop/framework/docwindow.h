#pragma once
// What the main frame and the document manager need of a document window,
// whatever kind of view it holds.
class CKivoDoc;
class IKivoView;
class ICommandTarget;

class IDocWindow {
public:
    virtual ~IDocWindow() = default;
    // Null once the window has let go of its document.
    virtual CKivoDoc* Document() const = 0;
    virtual IKivoView* View() const = 0;
    virtual ICommandTarget* Target() = 0;
    // The window is closing: its view leaves the document's view list now,
    // so the document can be closed before the widgets are gone.
    virtual void DetachFromDocument() = 0;
};
