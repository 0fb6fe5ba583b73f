/* A stand-in for a runtime's jli.dll: the three argument-file functions the launcher uses.
 *
 * "@name" is replaced by the arguments in the file `name`: tokens separated by white space, where
 * double or single quotes group (the quotes are dropped) and '#' outside a token starts a comment
 * that runs to the end of the line. There are no escapes and no line continuations. "@@text" gives
 * the single argument "@text". An argument file that cannot be read, and every argument that does
 * not begin with '@', leave the argument as it is (a null result).
 *
 * For the tests, standinLastInit reports the arguments of the last JLI_InitArgProcessing call. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef unsigned char jboolean;

typedef struct {
    char** elements;
    size_t size;
    size_t capacity;
} JliList;

static int initCalls = 0;
static int lastHasJavaArgs = -1;
static int lastDisableArgFile = -1;

__declspec(dllexport) void __stdcall JLI_InitArgProcessing(jboolean hasJavaArgs, jboolean disableArgFile) {
    ++initCalls;
    lastHasJavaArgs = hasJavaArgs;
    lastDisableArgFile = disableArgFile;
}

__declspec(dllexport) void __stdcall JLI_MemFree(void* pointer) { free(pointer); }

__declspec(dllexport) int standinLastInit(int* hasJavaArgs, int* disableArgFile) {
    *hasJavaArgs = lastHasJavaArgs;
    *disableArgFile = lastDisableArgFile;
    return initCalls;
}

static void add(JliList* list, const char* text, size_t length) {
    if (list->size == list->capacity) {
        list->capacity = list->capacity ? list->capacity * 2 : 8;
        list->elements = (char**)realloc(list->elements, list->capacity * sizeof(char*));
    }
    char* copy = (char*)malloc(length + 1);
    memcpy(copy, text, length);
    copy[length] = 0;
    list->elements[list->size++] = copy;
}

static JliList* newList(void) { return (JliList*)calloc(1, sizeof(JliList)); }

__declspec(dllexport) JliList* __stdcall JLI_PreprocessArg(const char* argument, jboolean expandSourceOption) {
    (void)expandSourceOption;
    if (argument[0] != '@') return NULL;
    if (argument[1] == '@') {
        JliList* list = newList();
        add(list, argument + 1, strlen(argument + 1));
        return list;
    }
    FILE* file = fopen(argument + 1, "rb");
    if (!file) return NULL;
    JliList* list = newList();
    char* token = NULL;
    size_t length = 0, capacity = 0;
    int inToken = 0, quote = 0, c;
    while ((c = fgetc(file)) != EOF) {
        if (!quote && !inToken && c == '#') {
            while ((c = fgetc(file)) != EOF && c != '\n') {}
            continue;
        }
        if (!quote && (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f')) {
            if (inToken) add(list, token ? token : "", length);
            inToken = 0;
            length = 0;
            continue;
        }
        inToken = 1;
        if (quote && c == quote) {
            quote = 0;
            continue;
        }
        if (!quote && (c == '"' || c == '\'')) {
            quote = c;
            continue;
        }
        if (length + 1 >= capacity) {
            capacity = capacity ? capacity * 2 : 64;
            token = (char*)realloc(token, capacity);
        }
        token[length++] = (char)c;
    }
    if (inToken) add(list, token ? token : "", length);
    free(token);
    fclose(file);
    return list;
}
