package com.zolta;

/** Receives the command lines that later starts of the uninstaller forward to the running one. */
public final class Controller {
    private Controller() {
    }

    public static void startupPerformed(String commandLine) {
        System.out.println("forwarded: " + (commandLine == null ? "" : commandLine));
    }
}
