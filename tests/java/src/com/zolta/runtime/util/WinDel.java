package com.zolta.runtime.util;

/** Deletion of files that are still in use, done by the launcher executable started again. */
public final class WinDel {
    /** Full path of the launcher executable, set by the launcher before main is called. */
    public static String externalExecutable;

    private WinDel() {
    }
}
