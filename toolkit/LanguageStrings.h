// The program's language strings as the toolkit reads them. The program defines `strtbl`;
// slot 72 holds the 38 date names ("Sun".."Sat", "Sunday".."Saturday", "Jan".."Dec",
// "January".."December"), slot 73 the message-box captions. Texts carry '%' doubled.
// Neutral header; read-only between loads, any thread.
#pragma once

extern "C" {
extern const char16_t* strtbl[];
}

constexpr int STRTBL_DATE_NAMES = 72;
constexpr int STRTBL_CAPTIONS = 73;
