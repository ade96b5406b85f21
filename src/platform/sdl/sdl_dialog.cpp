// sdl_dialog.cpp -- modal dialogs on SDL2 with Dear ImGui (its SDL2 and OpenGL2 back-ends,
// used as they are). The template's controls are placed at their dialog-unit positions,
// scaled to the screen; list boxes, check boxes and buttons report to the handler. The
// dialog owns SDL's video while it is open and shuts it down before it returns, so the
// render window's thread can start it afresh.
#include "platform/dialog.h"

#include <SDL.h>
#include <SDL_opengl.h>
#include <imgui.h>
#include <imgui_impl_opengl2.h>
#include <imgui_impl_sdl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "platform/sdl/sdl_internal.h"

namespace platform {
namespace {

// The icon as a texture of the dialog's GL context, drawn by the icon control.
GLuint MakeIconTexture() {
    GLuint texture = 0;
    SDL_Surface* icon = ProgramIconSurface();
    if (!icon) return 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, icon->w, icon->h, 0, GL_RGBA, GL_UNSIGNED_BYTE, icon->pixels);
    SDL_FreeSurface(icon);
    return texture;
}

struct Scale {
    float x, y;
    ImVec2 At(int ux, int uy) const { return ImVec2(ux * x, uy * y); }
};

// One frame of the dialog; returns a result >= 0 when a button ended it.
int DrawDialog(const DialogTemplate& dialog, DialogHandler& handler, const Scale& scale, GLuint icon,
               bool enterPressed, bool firstFrame) {
    ImGuiIO& io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(io.DisplaySize);
    ImGui::Begin("##dialog", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBringToFrontOnFocus);
    ImDrawList* draw = ImGui::GetWindowDrawList();
    int result = -1;
    for (const DialogControl& c : dialog.controls) {
        const ImVec2 pos = scale.At(c.x, c.y), size = scale.At(c.width, c.height);
        ImGui::PushID(&c);
        switch (c.kind) {
        case DialogControl::Text:
            ImGui::SetCursorPos(pos);
            ImGui::TextUnformatted(c.text);
            break;
        case DialogControl::Icon: {
            // Sunken and bordered: a dark well with the icon inside its border.
            const ImVec2 end(pos.x + size.x, pos.y + size.y);
            draw->AddRectFilled(pos, end, IM_COL32(12, 10, 18, 255));
            const float inset = std::max(2.0f, size.y * 0.06f);
            if (icon)
                draw->AddImage(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(icon)),
                               ImVec2(pos.x + inset, pos.y + inset), ImVec2(end.x - inset, end.y - inset));
            draw->AddRect(pos, end, IM_COL32(110, 110, 130, 255));
            break;
        }
        case DialogControl::Group: {
            const float half = ImGui::GetTextLineHeight() * 0.5f;
            const ImU32 line = IM_COL32(120, 110, 150, 255);
            draw->AddRect(ImVec2(pos.x + 1, pos.y + half), ImVec2(pos.x + size.x - 1, pos.y + size.y - 1), line, 3.0f);
            const ImVec2 label = ImGui::CalcTextSize(c.text);
            const ImVec2 at(pos.x + 8, pos.y);
            draw->AddRectFilled(ImVec2(at.x - 3, at.y), ImVec2(at.x + label.x + 3, at.y + label.y),
                                ImGui::GetColorU32(ImGuiCol_WindowBg));
            draw->AddText(at, ImGui::GetColorU32(ImGuiCol_Text), c.text);
            break;
        }
        case DialogControl::List: {
            ImGui::SetCursorPos(pos);
            if (ImGui::BeginListBox("##list", size)) {
                const std::vector<std::string>& items = handler.Items(c.id);
                const int selected = handler.Selection(c.id);
                for (int i = 0; i < static_cast<int>(items.size()); ++i) {
                    if (ImGui::Selectable(items[static_cast<size_t>(i)].c_str(), i == selected) && i != selected)
                        handler.OnSelect(c.id, i);
                    if (firstFrame && i == selected) ImGui::SetScrollHereY();
                }
                ImGui::EndListBox();
            }
            break;
        }
        case DialogControl::Check: {
            ImGui::SetCursorPos(pos);
            bool checked = handler.Checked(c.id);
            ImGui::PushStyleColor(ImGuiCol_Text, IM_COL32(170, 165, 190, 255));
            if (ImGui::Checkbox(c.text, &checked)) handler.OnCheck(c.id, checked);
            ImGui::PopStyleColor();
            break;
        }
        case DialogControl::Button: {
            ImGui::SetCursorPos(pos);
            const bool isDefault = c.id == dialog.defaultButton;
            if (isDefault) {
                ImGui::PushStyleColor(ImGuiCol_Button, IM_COL32(96, 52, 150, 255));
                ImGui::PushStyleColor(ImGuiCol_ButtonHovered, IM_COL32(122, 70, 186, 255));
                ImGui::PushStyleColor(ImGuiCol_ButtonActive, IM_COL32(140, 88, 205, 255));
            }
            const bool pressed = ImGui::Button(c.text, size);
            if (isDefault) {
                // The default button has the keyboard focus: Enter presses it.
                draw->AddRect(ImVec2(pos.x + 2, pos.y + 2), ImVec2(pos.x + size.x - 2, pos.y + size.y - 2),
                              IM_COL32(235, 225, 250, 200), 2.0f);
                ImGui::PopStyleColor(3);
            }
            if (pressed || (isDefault && enterPressed)) {
                const int r = handler.OnCommand(c.id);
                if (r >= 0) result = r;
            }
            break;
        }
        }
        ImGui::PopID();
    }
    ImGui::End();
    return result;
}

}  // namespace

int RunModalDialog(const DialogTemplate& dialog, DialogHandler& handler) {
    if (IsHeadless()) return -1;
    if (!StartVideo(nullptr)) return -1;
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) desktop.w = 1024, desktop.h = 768;

    // A dialog unit is a quarter of the system font's width and an eighth of its height:
    // about 2 x 2 pixels at 96 dpi (a little wider for our font), more on large screens.
    const float factor = std::max(1.0f, std::floor(desktop.h / 900.0f * 2.0f) / 2.0f);
    const Scale scale{2.25f * factor, 2.0f * factor};
    const int width = static_cast<int>(dialog.width * scale.x), height = static_cast<int>(dialog.height * scale.y);

    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_Window* window = SDL_CreateWindow(dialog.caption, (desktop.w - width) / 2, (desktop.h - height) / 3, width,
                                          height, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    SDL_GLContext gl = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!gl) {
        if (window) CloseSdlWindow(window);
        StopSubsystem(SDL_INIT_VIDEO);
        return -1;
    }
    if (SDL_Surface* icon = ProgramIconSurface()) {
        SDL_SetWindowIcon(window, icon);
        SDL_FreeSurface(icon);
    }
    SDL_GL_MakeCurrent(window, gl);
    SDL_GL_SetSwapInterval(1);
    SDL_RaiseWindow(window);

    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.FontGlobalScale = factor;
    ImGui::StyleColorsDark();
    ImGuiStyle& style = ImGui::GetStyle();
    style.WindowPadding = ImVec2(0, 0);
    style.WindowBorderSize = 0.0f;
    style.Colors[ImGuiCol_WindowBg] = ImVec4(0.07f, 0.06f, 0.10f, 1.0f);
    style.Colors[ImGuiCol_Header] = ImVec4(0.38f, 0.20f, 0.59f, 1.0f);
    style.Colors[ImGuiCol_HeaderHovered] = ImVec4(0.45f, 0.27f, 0.68f, 1.0f);
    style.Colors[ImGuiCol_HeaderActive] = ImVec4(0.52f, 0.33f, 0.76f, 1.0f);
    style.Colors[ImGuiCol_CheckMark] = ImVec4(0.80f, 0.70f, 0.98f, 1.0f);
    ImGui_ImplSDL2_InitForOpenGL(window, gl);
    ImGui_ImplOpenGL2_Init();
    const GLuint iconTexture = MakeIconTexture();

    int result = -1;
    bool firstFrame = true;
    while (result < 0) {
        bool enterPressed = false;
        // The dialog has nothing to animate: it draws when something happened, and at
        // least every quarter second. (Polling, not SDL's event wait: the wait wakes
        // itself through a message to a window that may already be closed.)
        SDL_Event event;
        bool happened = firstFrame;
        for (int idle = 0; !happened && idle < 25; ++idle) {
            while (SDL_PollEvent(&event)) {
                happened = true;
                ImGui_ImplSDL2_ProcessEvent(&event);
                // The close box, or the system menu's close key (Alt+F4) where no window
                // manager provides it. Escape does not close the dialog.
                if (event.type == SDL_QUIT ||
                    (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) ||
                    (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F4 && (event.key.keysym.mod & KMOD_ALT)))
                    result = 0;
                if (event.type == SDL_KEYDOWN &&
                    (event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER))
                    enterPressed = true;
            }
            if (!happened) SDL_Delay(10);
        }
        if (result >= 0) break;
        ImGui_ImplOpenGL2_NewFrame();
        ImGui_ImplSDL2_NewFrame();
        ImGui::NewFrame();
        result = DrawDialog(dialog, handler, scale, iconTexture, enterPressed, firstFrame);
        firstFrame = false;
        ImGui::Render();
        glViewport(0, 0, static_cast<int>(io.DisplaySize.x), static_cast<int>(io.DisplaySize.y));
        glClearColor(0.07f, 0.06f, 0.10f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
        SDL_GL_SwapWindow(window);
    }

    if (iconTexture) glDeleteTextures(1, &iconTexture);
    ImGui_ImplOpenGL2_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext();
    SDL_GL_DeleteContext(gl);
    CloseSdlWindow(window);
    StopSubsystem(SDL_INIT_VIDEO);
    return result;
}

}  // namespace platform
