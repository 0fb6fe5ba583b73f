package com.tarvelink.runtime.installer.platform.win32;

/** Natives of the launcher, bound by its registration table. */
public final class Win32Exec {
    private Win32Exec() {
    }

    static native int launch0(String a0, String a1);
}
