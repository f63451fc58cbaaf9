#include "app/Variabile.h"

namespace mv::app {

engine::TJobOptions TVariabile::JobOptions() const
{
    engine::TJobOptions options;
    options.IncludePass = IncludePass;
    options.IncludeCRC = IncludeCRC;
    options.EncWipeInput = EncWipeInput;
    options.DecWipeInput = DecWipeInput;
    options.EncCompress = EncCompress;
    options.SelfExtract = SelfExtract;
    options.SecureWipe = SecureWipe;
    options.AlgorithmIndex = AlgorithmIndex;
    options.CipherModeIndex = CipherModeIndex;
    return options;
}

TVariabile& ProcessVariabile()
{
    static TVariabile variabile;
    return variabile;
}

} // namespace mv::app
