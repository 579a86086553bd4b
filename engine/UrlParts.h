// Splitting, resolving and decoding of link addresses (UTF-16). Neutral header; the
// functions keep no state and may be called on any thread. Every output is bounded by
// the size given for it; an address that does not fit is refused, never cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The parts of one absolute address, as ParseFullURL leaves them.
struct tagURLPARTS {
  char16_t scheme[32];
  char16_t username[256];
  char16_t userpass[256];
  char16_t server[256];
  char16_t port[8];  // decimal text: the explicit port, or the scheme's default
  char16_t resource[2048];
  char16_t bookmark[256];  // with its "#"; only split off for http(s) .html and file
  char16_t extension[256];
  char16_t error[256];  // why the address was refused
};

// The length of the scheme `text` starts with (a letter, then letters, digits, "+", "-"
// or "."), up to the ":" that must follow it; 0 when it starts with none.
size_t UrlSchemeLength(std::u16string_view text);

// Splits `url` (a buffer of urlSize units) into `parts`. An address without "scheme://"
// gets "http://" put in front, in the caller's buffer; for file addresses every "\" in
// the buffer becomes "/". *explicitPort (when given) becomes 1 when the address names its
// port. Returns 1, or 0 with parts.error set for an empty or malformed address.
int ParseFullURL(char16_t* url, int urlSize, tagURLPARTS& parts, int* explicitPort);

// Resolves `link` against the page address `base` into url (urlSize units). A link that
// climbs above the server gets the "Relative link directory overflow" message: into
// `note` with a result of 1 when ignoreRelative is set, else into `error` with 0. A result
// that does not fit gives 0 with the malformed-address message and an empty url.
int GetRelativeURL(const char16_t* base, const char16_t* link, char16_t* url, int urlSize,
                   char16_t* error, int errorSize, char16_t* note, int noteSize,
                   int ignoreRelative);

// In-place decoders; the text never grows. URLUnescape decodes a %xx run only where it
// forms valid UTF-8 that is none of NUL % # ? /, so the address stays the same resource;
// after the first "?" a "+" becomes a blank. URLUnentitle replaces character references.
void URLUnescape(char16_t* text);
void URLUnentitle(char16_t* text);
// Both in one pass, as a resource is decoded: what one kind of decoding yields is never
// read again by the other, so "%26amp;" stays "&amp;" and "&#37;41" stays "%41".
void URLDecodeResource(char16_t* text);

// The text after the last "." of the resource before its first "?" or "#" (cut to
// extSize - 1 units); ext is left unchanged when there is no ".".
void GetResourceType(const char16_t* resource, char16_t* ext, int extSize);

// Every run of blanks, tabs, CR and LF becomes one blank, in place.
void RemoveSpacesFromString(char16_t* text);

// The folder of a resource (up to its last "/" before "?" or "#") and its depth (the
// number of "/" in it). Returns 0, with an empty folder and depth 0, when the folder does
// not fit in folderSize units.
int GetStartPath(const char16_t* resource, char16_t* folder, int folderSize, uint32_t* depth);
