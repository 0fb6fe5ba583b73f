package com.tarvelink.runtime.installer.platform.win32;

/** Natives of the launcher, bound by its registration table. */
public final class FileVersion {
    private FileVersion() {
    }

    static native int compare0(String a0, String a1);
}
