package com.tarvelink.runtime.installer.platform.win32;

/** State shared by the Windows natives. */
public final class Common {
    private static volatile boolean nativesBound;

    private Common() {
    }

    /** Called by the launcher: true before it binds the natives, false when binding failed. */
    public static void initFromLauncher(boolean bound) {
        nativesBound = bound;
    }

    public static boolean isNativesBound() {
        return nativesBound;
    }
}
