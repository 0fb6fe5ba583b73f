package com.zolta.runtime;

/** Entry point of the launcher and the splash settings it hands over before. */
public final class WinLauncher {
    static boolean splashConfigured;
    static boolean splashShown;
    static String[] splashTexts = new String[4];
    static int[] splashValues = new int[8];

    private WinLauncher() {
    }

    public static void main(String[] args) {
        System.out.println("launched with " + args.length + " arguments");
    }

    public static void initAwtSplashConfig(boolean configured, boolean shown,
            String statusText, int statusX, int statusY,
            String versionText, int versionX, int versionY,
            String titleText, int titleX, int titleY,
            String copyrightText, int copyrightX, int copyrightY) {
        splashConfigured = configured;
        splashShown = shown;
        splashTexts = new String[] {statusText, versionText, titleText, copyrightText};
        splashValues = new int[] {statusX, statusY, versionX, versionY, titleX, titleY, copyrightX, copyrightY};
    }
}
