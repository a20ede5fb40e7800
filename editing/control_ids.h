// The control identifiers of the main window: the number a control carries
// says what it edits, and these decode it.
#pragma once

constexpr int ID_PLAY = 1000;
constexpr int ID_MUTE = 1001;
constexpr int ID_FILE_MENU = 1002;
constexpr int ID_EDIT_MENU = 1003;
constexpr int ID_OPTIONS_MENU = 1004;
constexpr int ID_TEMPO_FIRST = 1005, ID_TEMPO_LAST = 1010;
constexpr int ID_CHAIN_NEXT_FIRST = 1020, ID_CHAIN_NEXT_LAST = 1025;
constexpr int ID_CHAIN_REPEAT_FIRST = 1040, ID_CHAIN_REPEAT_LAST = 1045;
constexpr int ID_MASTER_VOLUME_FIRST = 1050, ID_MASTER_VOLUME_LAST = 1055;
constexpr int ID_MASTER_PITCH_FIRST = 1060, ID_MASTER_PITCH_LAST = 1065;
constexpr int ID_MEASURE_STRIP = 20000;
constexpr int ID_MEASURE_FIRST = 20001, ID_MEASURE_LAST = 20008;
constexpr int ID_COLUMN_BASE = 10000;
constexpr int ID_COLUMN_STRIDE = 100;
constexpr int ID_COLUMN_LAST_PART = 70;
constexpr int kColumnCount = 16;

// Part numbers within a step column.
constexpr int PART_ON = 10, PART_PITCH = 20, PART_SOUND = 30, PART_VOLUME = 40, PART_PAN = 50, PART_AUX = 60;

inline bool InRange(int id, int first, int last) { return id >= first && id <= last; }

// The identifier of part `part` of step column `column`.
constexpr int ColumnControlId(int column, int part) { return ID_COLUMN_BASE + ID_COLUMN_STRIDE * column + part; }

// Decodes a step column identifier: false for any other identifier (including
// the gaps between columns' ranges).
struct ColumnControl {
    int column;
    int part;  // 0 is the column's background
    int kind;  // the step value kind: (part div 10) x 10
};
inline bool DecodeColumnControl(int id, ColumnControl* out) {
    if (id < ID_COLUMN_BASE || id >= ID_COLUMN_BASE + ID_COLUMN_STRIDE * kColumnCount) return false;
    const int column = (id - ID_COLUMN_BASE) / ID_COLUMN_STRIDE;
    const int part = (id - ID_COLUMN_BASE) % ID_COLUMN_STRIDE;
    if (part > ID_COLUMN_LAST_PART) return false;
    *out = {column, part, part / 10 * 10};
    return true;
}
