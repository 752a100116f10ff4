#pragma once
// Keeps a form's position, size and maximized state in a profile file between runs, can make the
// form snap to the edges of the work area while it is moved, and can let the whole client area drag it.
#include "Forms.h"
#include "SysUtils.h"
#include "WindowPlacement.h"

class EFormSizeError : public SysUtils::Exception {
    using Exception::Exception;
};

class TFormSize : public TComponent {
public:
    // AOwner must be a form holding no other TFormSize (EFormSizeError otherwise).
    explicit TFormSize(TComponent* AOwner);
    ~TFormSize() override;

    bool DragAlways() const { return dragAlways_; }
    void SetDragAlways(bool Value) { dragAlways_ = Value; }
    bool Magnet() const { return magnet_; }
    void SetMagnet(bool Value) { magnet_ = Value; }
    int MagnetDistance() const { return magnetDistance_; }
    void SetMagnetDistance(int Value) { magnetDistance_ = Value; }
    bool SavePosition() const { return savePosition_; }
    void SetSavePosition(bool Value) { savePosition_ = Value; }
    bool SaveSize() const { return saveSize_; }
    void SetSaveSize(bool Value) { saveSize_ = Value; }
    bool SaveUser() const { return saveUser_; }
    void SetSaveUser(bool Value) { saveUser_ = Value; }
    bool SaveMachine() const { return saveMachine_; }
    void SetSaveMachine(bool Value) { saveMachine_ = Value; }
    const AnsiString& SaveName() const { return saveName_; }
    void SetSaveName(const AnsiString& Value) { saveName_ = Value; }
    const AnsiString& SaveKey() const { return saveKey_; }
    void SetSaveKey(const AnsiString& Value) { saveKey_ = Value; }

    // Applies the stored placement (when SavePosition); a form built in code calls it once its
    // properties are set, as streaming does through Loaded.
    void Loaded() override;
    void LoadPlacement();
    void DoSavePlacement();
    // The section: SaveKey, then "-" and the user name, then "-" and the computer name.
    AnsiString CreateKey() const;

    // Where a form of size W x H at (X, Y) lands when it snaps to the edges of WorkArea.
    static TPoint Snap(const TRect& WorkArea, int X, int Y, int W, int H, int Distance);

private:
    void FormWndProc(TMessage& Message);
    void Track();
    void FollowDrag(TMessage& Message);

    TCustomForm* form_;
    TWndMethod previous_;
    bool dragAlways_ = false;
    bool magnet_ = false;
    int magnetDistance_ = 32;
    bool savePosition_ = true;
    bool saveSize_ = true;
    bool saveUser_ = false;
    bool saveMachine_ = false;
    AnsiString saveName_ = ".\\FORM.INI";
    AnsiString saveKey_;
    // The form's placement as last seen while its window lived: what is written when the window goes.
    TWindowPlacement last_;
    bool haveLast_ = false;
    bool saved_ = false;
    bool snapping_ = false;
    bool dragging_ = false;
    TPoint dragStart_;
    TPoint dragOrigin_;
};
