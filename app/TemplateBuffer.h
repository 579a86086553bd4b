// Template and menu text of a size not known in advance: a writer fills a heap buffer that
// grows until the text fits. Neutral header; any thread.
#pragma once

// Writes the text at buffer, at most size - 1 characters and a terminator, and returns the
// characters written, as the toolkit's writers do.
typedef int (*TEMPLATEWRITER)(char16_t* buffer, int size, const void* context);

// Runs write into a buffer of 4096 characters, doubled while the writer filled it
// (result + 1 equals the size). Returns the text's length with *text set; the caller
// frees *text with free(). When memory runs out *text is null and the result 0.
int WriteTemplateText(char16_t** text, TEMPLATEWRITER write, const void* context);
