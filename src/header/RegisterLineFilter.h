#pragma once

class CharacterFilter;
class QLineEdit;

// A register line takes only characters the register can print in the current
// charset and the line's font, and spaces. The caller adds the line's length
// limit of the moment. The line's key filter asks with the typed text put in
// place before the key goes in, measured against the line as it stands, so a
// line read from the register stays editable.
CharacterFilter* FilterRegisterLine(QLineEdit* line);
