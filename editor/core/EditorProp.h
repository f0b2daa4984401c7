// EditorProp: one complete set of editor options without a window: the
// program keeps the user's editor settings in one and copies it into each
// SQL editor. TEditorProperties is what an editor control and a property set
// both offer, so one routine copies between any two of them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "editor/core/DAziverOptions.h"
#include "editor/core/DAziverWrap.h"

// System colours: the window background and its text.
inline constexpr TColor clWindow = 0xFF000005;
inline constexpr TColor clWindowText = 0xFF000008;

// A font as stored; the control resolves the name when it draws.
struct TEditorFont {
  static constexpr int kDefaultSize = 8;
  std::string Name = "FixedSys";
  int Size = kDefaultSize;
  TColor Color = clWindowText;
  TFontStyles Style = 0;
  bool operator==(const TEditorFont&) const = default;
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TEditorProperties {
 public:
  virtual ~TEditorProperties() = default;
  virtual TColor Color() const = 0;
  virtual void SetColor(TColor value) = 0;
  virtual TEditorCaret& Caret() = 0;
  virtual TEditorFont Font() const = 0;
  virtual void SetFont(const TEditorFont& value) = 0;
  virtual TEditorHitStyle HitStyle() const = 0;
  virtual void SetHitStyle(TEditorHitStyle value) = 0;
  virtual TEditorImagebar& Imagebar() = 0;
  virtual TEditorLeftbar& Leftbar() = 0;
  virtual TEditorMargin& Margin() = 0;
  virtual TEditorMarks& Marks() = 0;
  // An editor's words are its fountain's; setting them re-colours the text.
  virtual TStringList& ReserveWordList() = 0;
  virtual void SetReserveWordList(const std::vector<std::string>& words) = 0;
  virtual TEditorRuler& Ruler() = 0;
  virtual TScrollStyle ScrollBars() const = 0;
  virtual void SetScrollBars(TScrollStyle value) = 0;
  virtual TEditorSpeed& Speed() = 0;
  virtual TEditorViewInfo& View() = 0;
  virtual bool WordWrap() const = 0;
  virtual void SetWordWrap(bool value) = 0;
  virtual TEditorWrapOption& WrapOption() = 0;
};

// Copies every option; soft wrap is switched so that a text is wrapped at
// most once. An exception ends the copy; what was copied stays.
void CopyEditorProperties(TEditorProperties& source, TEditorProperties& dest);

class TEditorProp : public TFileExtComponent, public TEditorProperties {
 public:
  // Make<TEditorProp>() builds the owned option objects through the factories.
  void AfterConstruction() override;

  // From an editor or another property set (which also gives its extensions).
  void Assign(TEditorProperties& source);
  void AssignTo(TEditorProperties& dest);

  TColor Color() const override { return FColor; }
  void SetColor(TColor value) override;
  TEditorCaret& Caret() override { return *FCaret; }
  TEditorFont Font() const override { return FFont; }
  void SetFont(const TEditorFont& value) override { FFont = value; }
  TEditorHitStyle HitStyle() const override { return FHitStyle; }
  void SetHitStyle(TEditorHitStyle value) override;
  TEditorImagebar& Imagebar() override { return *FImagebar; }
  TEditorLeftbar& Leftbar() override { return *FLeftbar; }
  TEditorMargin& Margin() override { return *FMargin; }
  TEditorMarks& Marks() override { return *FMarks; }
  TStringList& ReserveWordList() override { return FReserveWordList; }
  void SetReserveWordList(const std::vector<std::string>& words) override { FReserveWordList.Assign(words); }
  TEditorRuler& Ruler() override { return *FRuler; }
  TScrollStyle ScrollBars() const override { return FScrollBars; }
  void SetScrollBars(TScrollStyle value) override;
  TEditorSpeed& Speed() override { return *FSpeed; }
  TEditorViewInfo& View() override { return *FView; }
  bool WordWrap() const override { return FWordWrap; }
  void SetWordWrap(bool value) override;
  TEditorWrapOption& WrapOption() override { return *FWrapOption; }

  // The holder's notifications, one per plain property.
  TNotifyEvent OnColorChange;
  TNotifyEvent OnHitStyleChange;
  TNotifyEvent OnScrollBarsChange;
  TNotifyEvent OnWordWrapChange;

 protected:
  virtual std::unique_ptr<TEditorCaret> CreateCaret();
  virtual std::unique_ptr<TEditorImagebar> CreateImagebar();
  virtual std::unique_ptr<TEditorLeftbar> CreateLeftbar();
  virtual std::unique_ptr<TEditorMargin> CreateMargin();
  virtual std::unique_ptr<TEditorMarks> CreateMarks();
  virtual std::unique_ptr<TEditorRuler> CreateRuler();
  virtual std::unique_ptr<TEditorSpeed> CreateSpeed();
  virtual std::unique_ptr<TEditorViewInfo> CreateView();
  virtual std::unique_ptr<TEditorWrapOption> CreateWrapOption();

 private:
  template <class T>
  void Store(T& field, T value, const TNotifyEvent& event);

  TColor FColor = clWindow;
  std::unique_ptr<TEditorCaret> FCaret;
  TEditorFont FFont;
  TEditorHitStyle FHitStyle = hsSelect;
  std::unique_ptr<TEditorImagebar> FImagebar;
  std::unique_ptr<TEditorLeftbar> FLeftbar;
  std::unique_ptr<TEditorMargin> FMargin;
  std::unique_ptr<TEditorMarks> FMarks;
  TStringList FReserveWordList;
  std::unique_ptr<TEditorRuler> FRuler;
  TScrollStyle FScrollBars = ssNone;
  std::unique_ptr<TEditorSpeed> FSpeed;
  std::unique_ptr<TEditorViewInfo> FView;
  bool FWordWrap = false;
  std::unique_ptr<TEditorWrapOption> FWrapOption;
};

// The program's class of the property set.
class TovMemoProp : public TEditorProp {};
