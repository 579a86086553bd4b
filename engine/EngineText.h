// Texts of the engine's status and note messages, by language-table section and key.
// Neutral header; callable on any thread. The returned text is static and never freed.
#pragma once

// The loaded language's text of Section/Key once start-up has loaded the language table,
// else the English text; "" for a key the engine does not use.
const char16_t* EngineText(const char* section, const char* key);
