// Program entry: everything happens in AgentMain.
#include "agent/agent.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    return AgentMain(hInstance, previous, commandLine, showCommand);
}
