#pragma once
// Whether the settings as the fields hold them are what a read showed: the
// question before the fields are emptied with values never programmed.

#include "config/block_decoding.h"
#include "config/field_values.h"

namespace quarn {

// Every setting the read showed, compared by what it programs: a text by its
// numeric value ("030" is 30), an option by its choice. A setting the read
// left as it was (a beep, an unknown value) is not compared.
bool fields_match_read(const FieldValues& fields, const DecodedBlock& read);

}  // namespace quarn
