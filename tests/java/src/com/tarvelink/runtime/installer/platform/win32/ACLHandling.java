package com.tarvelink.runtime.installer.platform.win32;

/** Natives of the launcher, bound by its registration table. */
public final class ACLHandling {
    private ACLHandling() {
    }

    static native boolean addACE(String a0, boolean a1, boolean a2, boolean a3, boolean a4, boolean a5, int a6, String a7);
}
