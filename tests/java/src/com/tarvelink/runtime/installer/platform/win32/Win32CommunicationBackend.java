package com.tarvelink.runtime.installer.platform.win32;

/** Natives of the launcher, bound by its registration table. */
public final class Win32CommunicationBackend {
    private Win32CommunicationBackend() {
    }

    static native long getInvalidHandle0();
    static native long createListener0(String a0);
    static native byte[] readDataBlock0(long a0);
    static native boolean writeDataBlock0(long a0, byte[] a1);
    static native long connectClient0(String a0);
    static native boolean connectNamedPipe0(long a0);
    static native void disconnectNamedPipe0(long a0);
    static native void closeHandle0(long a0);
    static native boolean isProcessAlive0(int a0);
    static native int getCurrentProcessId0();
}
