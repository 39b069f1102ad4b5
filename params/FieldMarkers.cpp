#include "params/FieldMarkers.h"

#include "drive/ParameterTable.h"

namespace zembra {

using drive::Field;

FieldMarkers::FieldMarkers() {
  for (const drive::ReadStep& step : drive::ParameterTable::ReadSteps()) {
    At(step.field).readable = true;
    // The status word carries the signal source with the run mode.
    if (step.rule == drive::ReplyRule::ModeAndSignal) At(Field::SignalSource).readable = true;
  }
}

bool FieldMarkers::IsStale(Field field) const { return At(field).readable && !At(field).fromDrive; }

bool FieldMarkers::IsEdited(Field field) const { return At(field).edited; }

const QString& FieldMarkers::DriveText(Field field) const { return At(field).driveText; }

void FieldMarkers::MarkEdited(Field field) { At(field).edited = true; }

bool FieldMarkers::TakeReadValue(Field field, ReadScope scope, const QString& driveText) {
  Mark& mark = At(field);
  mark.fromDrive = true;
  if (mark.edited && scope == ReadScope::KeepEdits) {
    mark.driveText = driveText;
    return false;
  }
  mark.edited = false;
  mark.driveText.clear();
  return true;
}

void FieldMarkers::ReadFailed(Field field) {
  Mark& mark = At(field);
  mark.fromDrive = false;
  // A drive value kept from an earlier read may no longer hold.
  mark.driveText.clear();
}

void FieldMarkers::Written(Field field) {
  Mark& mark = At(field);
  mark.edited = false;
  mark.fromDrive = true;
  mark.driveText.clear();
}

QStringList FieldMarkers::Notes(Field field) const {
  const Mark& mark = At(field);
  QStringList notes;
  if (!mark.outOfRange.isEmpty()) notes << mark.outOfRange;
  if (mark.edited) {
    notes << (mark.driveText.isEmpty() ? kEditedNote
                                       : QStringLiteral("%1（驱动器中的值：%2）").arg(kEditedNote, mark.driveText));
  }
  if (IsStale(field)) notes << kStaleNote;
  return notes;
}

}  // namespace zembra
