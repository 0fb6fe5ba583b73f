package com.tarvelink.runtime.launcher;

/** Entry point of the installer framework's launcher. */
public final class WinLauncher {
    private WinLauncher() {
    }

    public static void main(String[] args) {
        com.zolta.runtime.WinLauncher.main(args);
    }
}
