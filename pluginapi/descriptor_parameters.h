/* Scripting: the descriptor a host records for a filter step, and the procedures a
 * module uses to read and write its keyed values. */
#ifndef BRIVO_PLUGINAPI_DESCRIPTOR_PARAMETERS_H
#define BRIVO_PLUGINAPI_DESCRIPTOR_PARAMETERS_H

#include "handles.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t DescriptorKeyID;  /* a four-character key, e.g. BRIVO_FOURCC('l','B','l','n') */
typedef uint32_t DescType;         /* a four-character value type */
typedef uint32_t DescriptorEnumID; /* a four-character enumeration code */
typedef uint32_t DescriptorEnumTypeID;

/* Value types the host keeps. */
#define typeFloat BRIVO_FOURCC('d', 'o', 'u', 'b')
#define typeInteger BRIVO_FOURCC('l', 'o', 'n', 'g')
#define typeEnumerated BRIVO_FOURCC('e', 'n', 'u', 'm')
#define typeChar BRIVO_FOURCC('T', 'E', 'X', 'T')
#define typeBoolean BRIVO_FOURCC('b', 'o', 'o', 'l')

/* A recorded descriptor travels between module and host as a host handle. */
typedef Handle PIDescriptorHandle;
typedef struct PIReadDescriptorRec* PIReadDescriptor;
typedef struct PIWriteDescriptorRec* PIWriteDescriptor;

/* playInfo values. Anything other than plugInDialogDisplay replays without a dialog. */
enum { plugInDialogDontDisplay = 0, plugInDialogDisplay = 1, plugInDialogSilent = 2 };
/* recordInfo values. */
enum { plugInDialogOptional = 0, plugInDialogRequired = 1, plugInDialogNone = 2 };

/* Every reader procedure returns 0 on success or an SPErr; a value of another type than
 * the one asked for gives kSPBadParameterError and leaves the destination untouched. */
typedef struct ReadDescriptorProcs {
    int16_t readDescriptorProcsVersion; /* 1 */
    int16_t numReadDescriptorProcs;
    /* Module -> host. Opens a reader over descriptor. keys is a 0-terminated list of
     * the keys the module understands (a hint; the host may yield others). Returns null
     * when descriptor is null or unreadable: then nothing was recorded. */
    PIReadDescriptor (*openReadDescriptorProc)(PIDescriptorHandle descriptor,
                                               const DescriptorKeyID* keys);
    /* Module -> host. Ends reading; the reader is gone afterwards. */
    SPErr (*closeReadDescriptorProc)(PIReadDescriptor reader);
    /* Module -> host. Advances to the next key: non-zero with *key and *type set, 0 at
     * the end. flags may be null. */
    uint8_t (*getKeyProc)(PIReadDescriptor reader, DescriptorKeyID* key, DescType* type,
                          int32_t* flags);
    SPErr (*getIntegerProc)(PIReadDescriptor reader, int32_t* value);
    SPErr (*getFloatProc)(PIReadDescriptor reader, double* value);
    SPErr (*getEnumeratedProc)(PIReadDescriptor reader, DescriptorEnumID* value);
    SPErr (*getBooleanProc)(PIReadDescriptor reader, uint8_t* value);
    /* Pascal string: value[0] is the length (at most 255), then the characters. A text
     * longer than 255 bytes gives kSPBadParameterError; use getTextProc for it. */
    SPErr (*getStringProc)(PIReadDescriptor reader, unsigned char value[256]);
    /* Text of explicit length: writes up to capacity bytes (no terminator added) and
     * stores the full length in *length. A text longer than capacity gives
     * kSPBadParameterError and writes nothing. */
    SPErr (*getTextProc)(PIReadDescriptor reader, char* value, uint32_t capacity, uint32_t* length);
} ReadDescriptorProcs;

typedef struct WriteDescriptorProcs {
    int16_t writeDescriptorProcsVersion; /* 1 */
    int16_t numWriteDescriptorProcs;
    /* Module -> host. Starts a new, empty descriptor; null when the host cannot. */
    PIWriteDescriptor (*openWriteDescriptorProc)(void);
    /* Module -> host. Ends writing; stores in *descriptor a new host handle holding the
     * values put (the module hands it to the host through descriptorParameters). */
    SPErr (*closeWriteDescriptorProc)(PIWriteDescriptor writer, PIDescriptorHandle* descriptor);
    SPErr (*putIntegerProc)(PIWriteDescriptor writer, DescriptorKeyID key, int32_t value);
    SPErr (*putFloatProc)(PIWriteDescriptor writer, DescriptorKeyID key, const double* value);
    SPErr (*putEnumeratedProc)(PIWriteDescriptor writer, DescriptorKeyID key,
                               DescriptorEnumTypeID type, DescriptorEnumID value);
    SPErr (*putBooleanProc)(PIWriteDescriptor writer, DescriptorKeyID key, uint8_t value);
    /* Pascal string: value[0] is the length. */
    SPErr (*putStringProc)(PIWriteDescriptor writer, DescriptorKeyID key,
                           const unsigned char* value);
    /* Text of explicit length, for texts a Pascal string cannot hold. */
    SPErr (*putTextProc)(PIWriteDescriptor writer, DescriptorKeyID key, const char* value,
                         uint32_t length);
} WriteDescriptorProcs;

typedef struct PIDescriptorParameters {
    int16_t descriptorParametersVersion; /* 1 */
    int16_t playInfo;                    /* host -> module, see above */
    int16_t recordInfo;                  /* module -> host, see above */
    PIDescriptorHandle descriptor;       /* the recorded descriptor, or null */
    WriteDescriptorProcs* writeDescriptorProcs;
    ReadDescriptorProcs* readDescriptorProcs;
} PIDescriptorParameters;

#ifdef __cplusplus
}
#endif

#endif
