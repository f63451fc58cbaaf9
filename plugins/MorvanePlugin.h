/*
 * MorvanePlugin.h: what a tool plug-in for Morvane is.
 *
 * A plug-in is a shared library (ELF ".so") placed in the directory "Plugins" beside the program
 * file. At start-up Morvane lists every file there whose name ends in ".so", loads each, calls
 * D_NAME, D_ENG and D_ROM in this order, copies each text at once and unloads the library again;
 * the Tools page then shows the name and, for the selected entry, the description in the
 * interface's language. A double-click on the entry loads the library a second time, calls D_EXEC
 * and unloads it when D_EXEC returns. No library stays loaded between these calls, so a plug-in
 * keeps no state in memory from one run to the next.
 *
 * The four functions are looked up by these exact names and must have C linkage (declare them
 * through this header, or with extern "C" in C++). A library lacking D_NAME, D_ENG or D_ROM, or
 * one whose text function returns NULL, is not listed. A library lacking D_EXEC is listed, and
 * running it shows "Error loading selected plugin!".
 *
 * Texts: 8-bit characters ending in a zero byte, plain ASCII recommended (the Romanian texts of
 * Morvane itself are written without diacritics). The program copies at most 64 characters of the
 * name and 254 of each description; what follows is cut off. The returned memory stays the
 * plug-in's (a string literal is the usual answer); the program never frees it.
 *
 * Running: D_EXEC runs on the program's user-interface thread while the main window is hidden,
 * and blocks the program until it returns; the main window comes back afterwards. A tool usually
 * builds a modal dialog, runs it and returns when the user closes it. D_EXEC should not let a C++
 * exception escape; the program catches one and reports the plug-in as failed, but a tool cannot
 * rely on that from C.
 *
 * Build a plug-in with -fPIC -shared and, preferably, -fvisibility=hidden so that only the four
 * functions are exported (MORVANE_PLUGIN_EXPORT below marks them).
 */
#ifndef MORVANE_PLUGIN_H
#define MORVANE_PLUGIN_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define MORVANE_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define MORVANE_PLUGIN_EXPORT
#endif

/* Language codes passed to D_EXEC and held in MorvaneApplication.Language. */
#define MORVANE_LANGUAGE_ENGLISH 0
#define MORVANE_LANGUAGE_ROMANIAN 1

/* The toolkit name Morvane's own window reports in MorvaneApplication.WindowToolkit. */
#define MORVANE_TOOLKIT_QT6_WIDGETS "Qt6Widgets"

/*
 * The application object D_EXEC receives. It and everything it points to belong to the program
 * and are valid only until D_EXEC returns; copy what you need to keep.
 *
 * Newer versions of Morvane may append fields; StructSize tells how many bytes are filled, so a
 * plug-in reads a field only when offsetof(field) + sizeof(field) <= StructSize.
 */
typedef struct MorvaneApplication
{
    /* sizeof(MorvaneApplication) as the program knows it. */
    unsigned int StructSize;
    /* The program's version, four numbers joined by full stops ("0.5.1.70"). */
    const char* ProgramVersion;
    /* MORVANE_LANGUAGE_ENGLISH or MORVANE_LANGUAGE_ROMANIAN: the interface's language, the same
     * value as D_EXEC's second argument. */
    unsigned char Language;
    /* The window the tool's dialogs should take as their parent: an opaque handle, meaningful only
     * together with WindowToolkit (for MORVANE_TOOLKIT_QT6_WIDGETS it is the main window's
     * QWidget*, and a QApplication exists). NULL when the program has no window to offer; a tool
     * then makes its dialogs top-level windows. The window is hidden while D_EXEC runs. */
    void* ParentWindow;
    /* Names what ParentWindow is, e.g. MORVANE_TOOLKIT_QT6_WIDGETS; an empty string (never
     * NULL) when ParentWindow is NULL. */
    const char* WindowToolkit;
} MorvaneApplication;

/* The tool's name as listed on the Tools page (at most 64 characters are shown). */
MORVANE_PLUGIN_EXPORT const char* D_NAME(void);
/* The tool's description in English (at most 254 characters). */
MORVANE_PLUGIN_EXPORT const char* D_ENG(void);
/* The tool's description in Romanian (at most 254 characters). */
MORVANE_PLUGIN_EXPORT const char* D_ROM(void);
/* Runs the tool. application is never NULL; language repeats application->Language. */
MORVANE_PLUGIN_EXPORT void D_EXEC(const MorvaneApplication* application, unsigned char language);

/* The types of the four functions, for a program that looks them up. */
typedef const char* (*MorvaneTextFunction)(void);
typedef void (*MorvaneExecFunction)(const MorvaneApplication* application, unsigned char language);

#ifdef __cplusplus
}
#endif

#endif /* MORVANE_PLUGIN_H */
