#pragma once
// The one table of the drive's parameters: for every field one record with
// its caption, unit, controls, kind, initial value, range, choices and
// hints; the 39 reads in their order with the reply rule and time-out line
// of each; the 36 writes in their order; and the 43 keys of a scheme file in
// their order. The parameter page, its hints, the validation of the page
// and of the command-line tool, and the tool's output all read it; nothing
// else describes a parameter.
#include <optional>
#include <span>
#include <string_view>

#include "drive/ParameterField.h"

namespace zembra::drive {

enum class ControlKind { Edit, DisplayEdit, Check, RadioGroup, List };
enum class ValueType { Int, Float, Index };

// The values the page accepts for a field, both ends included. Integer
// fields hold whole numbers; float fields any number between the ends.
struct ValueRange {
  double min;
  double max;
  bool Contains(double value) const { return value >= min && value <= max; }
};

struct FieldInfo {
  Field field;
  std::string_view caption;  // UTF-8, as on the page (the label beside an edit)
  std::string_view name;     // UTF-8, how messages and summaries name it
  ControlKind kind;
  ValueType type;
  // Control ids: one for edits, checks and lists; a radio group's buttons
  // in index order (Direction: 正转 1135 then 反转 1134).
  std::span<const int> controls;
  double initial;
  // Edits: the values the page takes from the user and a write may send.
  // Choices (radio groups, lists) and checks are bounded by what they offer.
  std::optional<ValueRange> range;
  bool schemeOnly;
  std::string_view unit = {};  // UTF-8, written after the edit or list
  // A radio group's button captions in index order (UTF-8).
  std::span<const std::string_view> choices = {};
  // The tool tip of each control, parallel to `controls` (UTF-8, shown
  // whole; empty: none).
  std::span<const std::string_view> hints = {};
};

// How a reply to a read is taken into the page.
enum class ReplyRule {
  Number,         // atoi; the edit shows "0" when the reply holds "ERR", else the reply
  RawNumber,      // atoi; the edit shows the reply as received
  FlagCharacter,  // 1 when the first character is '1'
  CheckValue,     // atoi
  Direction,      // first character '1': forward, else reverse
  NodeType,       // atoi = 1: hardware node, else software node
  ModeAndSignal,  // "GSI": mode and signal digits, only for replies of 5 or more characters
  ListText,       // the reply looked up in the RS-232 baud list
  BitsPerSecond,  // atoi / 1000 looked up in the CAN baud list
};

struct ReadStep {
  std::string_view command;      // "GSP\r"
  std::string_view mnemonic;     // "GSP"
  Field field;                   // the field it fills (ModeAndSignal: RunMode and SignalSource)
  ReplyRule rule;
  std::string_view timeoutLine;  // UTF-8, with its CR LF
};

// How a field becomes its write command.
enum class WriteRule {
  Integer,          // format with the int value
  TruncatedFloat,   // the float truncated toward zero
  CheckOneZero,     // format with 1 (checked) or 0
  CheckFixed,       // "SPOF1\r" / "SPOF0\r"
  Direction,        // "SL\r" reverse, "SR\r" forward
  ModeWord,         // run mode × 256 + signal code (single-ended = 5)
};

struct WriteStep {
  std::string_view format;  // printf format with one %d, or the fixed text
  std::string_view mnemonic;
  Field field;
  WriteRule rule;
};

enum class SchemeValue {
  Int,        // "%d", read with atoi
  Real,       // "%e" with a three-digit exponent, read with atof
  ModeWord,   // run mode × 256 + signal part
  Direction,  // 0 forward, 1 reverse
  SerialBaud, // the list text as a number
  CanBaud,    // the list text as a number (kbit/s)
};

struct SchemeKey {
  std::string_view key;  // UTF-8; GBK in the file
  Field field;
  SchemeValue value;
};

class ParameterTable {
 public:
  static std::span<const FieldInfo> Fields();
  static const FieldInfo& Info(Field field);
  // The field whose control (or one of whose radio buttons) has this id.
  static const FieldInfo* FindByControl(int controlId);

  static std::span<const ReadStep> ReadSteps();
  static std::span<const WriteStep> WriteSteps();
  static std::span<const SchemeKey> SchemeKeys();

  // The items of the two baud lists, in list order.
  static std::span<const std::string_view> SerialBaudItems();
  static std::span<const std::string_view> CanBaudItems();
  // Index of the item with exactly this text, or -1.
  static int FindSerialBaud(std::string_view text);
  static int FindCanBaud(std::string_view text);

  // The captions of a radio group's buttons in index order (UTF-8); empty
  // for fields that are not radio groups.
  static std::span<const std::string_view> ChoiceCaptions(Field field);

  // The read step that reports the field ("GSI" reports two), the write
  // step that sends it and its scheme key; null when there is none.
  static const ReadStep* ReadStepOf(Field field);
  static const WriteStep* WriteStepOf(Field field);
  static const SchemeKey* SchemeKeyOf(Field field);
  // The fields a read step reports: the status word carries run mode and
  // signal source, every other step one field.
  static std::span<const Field> FieldsOf(const ReadStep& step);
  // The fields a write step sends: the mode word carries both again.
  static std::span<const Field> FieldsOf(const WriteStep& step);

  static constexpr std::string_view kSchemeSection = "option";
};

}  // namespace zembra::drive
