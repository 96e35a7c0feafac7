#pragma once

#include <cstring>

#include "link/frame_reader.h"
#include "link/frame_writer.h"

namespace pivora::switchsim {

// A buffer field sent back as the call left it.
inline void echo(link::FrameWriter& response, link::BufferArg& field) { response.buffer(field.get(), field.size); }

// A record a call takes by address, from a buffer field: the model works on
// a real `Record`, and what it leaves there goes back into the field's bytes
// for the response. Absent when the client passed none.
template <typename Record>
class RecordArg {
public:
    explicit RecordArg(link::BufferArg& field) : field_(field) {
        if (given()) std::memcpy(&record_, field_.get(), sizeof(Record));
    }

    // Absent, or exactly a record's size: anything else is malformed.
    bool wellFormed() const { return !field_.present || field_.size == sizeof(Record); }
    Record* get() { return given() ? &record_ : nullptr; }
    // The record's bytes, as the call left them, back into the field.
    link::BufferArg& afterCall() {
        if (given()) std::memcpy(field_.get(), &record_, sizeof(Record));
        return field_;
    }

private:
    bool given() const { return field_.present && field_.size == sizeof(Record); }

    link::BufferArg& field_;
    Record record_{};
};

}  // namespace pivora::switchsim
