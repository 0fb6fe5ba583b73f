package com.tarvelink.runtime.installer.helper;

/** The launcher's native log as seen from Java. */
public final class NativeLogger {
    private NativeLogger() {
    }

    /** Removes the log file at exit unless it was asked for. */
    static native void cleanup0();
}
