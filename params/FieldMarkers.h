#pragma once
// What the page knows about each field beyond its value: whether it shows
// what the drive holds (read from this drive, last read answered), whether
// the user changed it since the last read or write, and, for an edit an
// automatic read left alone, the drive's own value. Markers only inform;
// they never change what a write sends.
#include <QString>
#include <QStringList>
#include <array>

#include "drive/ParameterField.h"

namespace zembra {

enum class ReadScope {
  ReplaceAll,  // the user asked ("读 取") or the drive was reset: every field takes the drive's value
  KeepEdits,   // a read nobody asked for: fields the user changed stay as typed
};

class FieldMarkers {
 public:
  static inline const QString kStaleNote = QStringLiteral("未从驱动器读取");
  static inline const QString kEditedNote = QStringLiteral("已修改，尚未写入驱动器");
  static inline const QString kNotInEepromNote = QStringLiteral("驱动器中的参数尚未保存至EEPROM");

  FieldMarkers();

  // True for a field the drive reports that was never read from this
  // drive or whose last read went unanswered.
  bool IsStale(drive::Field field) const;
  bool IsEdited(drive::Field field) const;
  // The drive's value as text, kept when an automatic read did not replace
  // an edit; empty otherwise.
  const QString& DriveText(drive::Field field) const;
  // The drive holds written values that are not yet in its EEPROM.
  bool NotInEeprom() const { return m_notInEeprom; }

  void MarkEdited(drive::Field field);
  // The drive answered a read of `field` with a usable value. Returns
  // whether the page takes it: not when the read keeps edits and the user
  // changed the field.
  bool TakeReadValue(drive::Field field, ReadScope scope, const QString& driveText);
  // The read of `field` went unanswered, was refused or gave nothing usable.
  void ReadFailed(drive::Field field);
  // The drive accepted the value the page sent for `field`.
  void Written(drive::Field field);
  // The value held lies outside the field's range; `note` says where it
  // came from and what the range is. An empty note clears the mark.
  void SetOutOfRange(drive::Field field, const QString& note) { At(field).outOfRange = note; }
  bool IsOutOfRange(drive::Field field) const { return !At(field).outOfRange.isEmpty(); }
  void WriteSent() { m_notInEeprom = true; }
  void EepromStored() { m_notInEeprom = false; }

  // The notes a tool tip shows for the field, one per line; empty when
  // nothing is to be said.
  QStringList Notes(drive::Field field) const;

 private:
  struct Mark {
    bool readable = false;  // some read step reports it
    bool fromDrive = false;
    bool edited = false;
    QString driveText;
    QString outOfRange;
  };
  Mark& At(drive::Field field) { return m_marks[drive::Index(field)]; }
  const Mark& At(drive::Field field) const { return m_marks[drive::Index(field)]; }

  std::array<Mark, drive::kFieldCount> m_marks;
  bool m_notInEeprom = false;
};

}  // namespace zembra
